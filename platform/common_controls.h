// The common control classes (list view, tree view, progress bar, header...)
// for the dialogs that use them.
//
// comctl32.dll is not imported: it is loaded, and its classes registered,
// when the first dialog is made. Its start-up code loads the arrow cursor,
// which needs the display; under Wine that starts the desktop process and
// waits for it, about a fifth of a second before anything else happens. A
// run without a window (a silent installation or removal) never pays for it.
#pragma once

// Loads comctl32.dll (the version the program's manifest names) from the
// system's folders and registers its classes, once per process; later calls
// only return the first one's result. False when the library or its
// function cannot be found, or the registration failed.
bool RegisterCommonControls();
