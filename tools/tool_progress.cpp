#include "tools/tool_progress.h"

#include <algorithm>
#include <cstdio>
#include <istream>
#include <ostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/tool_entry_names.h"

namespace {

constexpr size_t kLineWidth = 79;
constexpr size_t kBarWidth = 20;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

ProgressBar* current = nullptr;

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

ProgressBar::ProgressBar(std::ostream& out, bool enabled, uint64_t total)
    : out_(out), enabled_(enabled), total_(total) {
    current = this;
}

ProgressBar::~ProgressBar() {
    current = nullptr;
    if (enabled_ && lastDraw_ != std::chrono::steady_clock::time_point{})
        out_ << '\r' << std::string(kLineWidth, ' ') << '\r' << std::flush;
}

void ProgressBar::Begin(const std::string& name, uint64_t size, SeekableFile* input) {
    name_ = name;
    size_ = size;
    input_ = input;
    Draw(true);
}

void ProgressBar::Done(uint64_t bytes) {
    done_ += bytes;
    input_ = nullptr;
    Draw(false);
}

void ProgressBar::CodecTick() {
    if (current) current->Draw(false);
}

void ProgressBar::Draw(bool force) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    uint64_t shown = done_;
    if (input_) {
        const std::optional<uint64_t> read = input_->Position();
        if (read) shown += std::min(*read, size_);
    }
    static const char kSpinner[] = {'|', '/', '-', '\\'};
    out_ << '\r' << Line(shown, total_, kSpinner[turns_++ % 4], name_, kLineWidth) << std::flush;
}

std::string ProgressBar::Line(uint64_t done, uint64_t total, char spinner, const std::string& name,
                              size_t width) {
    const uint64_t percent = total == 0 ? 100 : (done >= total ? 100 : done * 100 / total);
    const size_t filled = static_cast<size_t>(percent * kBarWidth / 100);
    char head[64];
    std::snprintf(head, sizeof head, "[%s%s] %3u%% %c ", std::string(filled, '#').c_str(),
                  std::string(kBarWidth - filled, '-').c_str(), static_cast<unsigned>(percent),
                  spinner);
    const std::string line = head + printableName(name);
    // Characters, not bytes, fill the width: a UTF-8 name is cut only
    // between its characters.
    size_t characters = 0;
    size_t end = 0;
    for (; end < line.size(); ++end) {
        if (!isContinuationByte(line[end])) {
            if (characters == width) break;
            ++characters;
        }
    }
    // Pad so that a shorter line covers the previous one.
    return line.substr(0, end) + std::string(width - characters, ' ');
}
