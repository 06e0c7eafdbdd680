// zstdCompress for programs that only read packs (the installer). TPackFile's
// AddStream, a virtual function and so always linked, refers to
// zstdCompress; linked as an object ahead of the codecs library, this
// stand-in keeps zstd_compressor.cpp and with it libzstd's compressor (about
// 400 KB of code) out of such a program, which carries only the decoder.
// There AddStream with a zstd mode fails as when memory runs out.
#include "codecs/zstd_codec.h"

CodecResult zstdCompress(ByteSource&, uint64_t, ByteSink&, int, CodecCallback) {
    return {CodecStatus::OutOfMemory, 0};
}
