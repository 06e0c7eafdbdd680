// Progress callback shared by both codecs: optional (null means none), takes
// no arguments; the codec says when it calls it.
#pragma once

using CodecCallback = void (*)();
