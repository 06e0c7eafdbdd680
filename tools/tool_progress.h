// The progress bar that long nerro-pack commands draw on standard error.
//
// Drawn only when standard error is a terminal: a redirected or piped
// standard error (scripts, CI logs) stays free of it. The bar counts bytes of
// finished entries plus, while an entry is compressed from a file, how far the
// compressor has read it; the codecs' progress calls redraw it and turn a
// spinner, so a long entry still shows life.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "foundation/byte_file.h"

// True when standard error is a terminal.
bool stderrIsTerminal();

class ProgressBar {
public:
    // A bar over total bytes, drawn on out when enabled. While it exists it is
    // the target of ProgressBar::CodecTick (one bar at a time).
    ProgressBar(std::ostream& out, bool enabled, uint64_t total);
    // Clears the bar's line.
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // The entry now being worked on, of size bytes. When input is given, its
    // read position counts as progress until Done.
    void Begin(const std::string& name, uint64_t size = 0, SeekableFile* input = nullptr);
    // The current entry is done: its bytes count.
    void Done(uint64_t bytes);

    // Callback for TPackFile::SetProgressCallback: turns the current bar's spinner.
    static void CodecTick();

    // The line for done of total bytes while on entry name, cut or padded with
    // spaces to width characters: "[#####---------------]  25% | name".
    static std::string Line(uint64_t done, uint64_t total, char spinner, const std::string& name,
                            size_t width);

private:
    void Draw(bool force);

    std::ostream& out_;
    bool enabled_;
    uint64_t total_;
    uint64_t done_ = 0;
    std::string name_;
    uint64_t size_ = 0;
    SeekableFile* input_ = nullptr;
    unsigned turns_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};
