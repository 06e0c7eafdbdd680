// codec_bench: compressed size and throughput of our codecs beside their
// peers, measured in the same run on the same inputs.
//
//   codec_bench [--csv PATH] [--apart FILE]... FILE...
//
// Every FILE is compressed and decompressed by every codec; each round trip is
// checked. Inputs given with --apart (adversarial or reference inputs) are
// measured like the others but left out of the TOTAL rows. Throughput is in
// MB/s of uncompressed data (1 MB = 10^6 bytes), from the fastest of a few
// timed batches, each batch repeating a small input until it runs long enough
// to be timed reliably. Exit code 1 if any round trip fails or an input cannot
// be read.
#include <bzlib.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_growing_sink.h"
#include "codecs/block_codec.h"
#include "codecs/lz_codec.h"
#include "codecs/zstd_codec.h"

namespace {

using Bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------------------
// The codecs, each as compress(input) -> stream and decompress(stream, size).

Bytes blockPack(const Bytes& input) {
    MemorySource in(input.data(), input.size());
    GrowingSink out(input.size() / 2);
    compressStream(in, out, nullptr);  // a failure would be a fatal report
    return Bytes(out.data(), out.data() + out.size());
}

bool blockUnpack(const Bytes& stream, Bytes& output) {
    MemorySource in(stream.data(), stream.size());
    CodecResult result = decodeBlockStream(in, output.data(), output.size(), nullptr);
    return result.status == CodecStatus::Ok && result.size == output.size();
}

// The same codec with objects of two threads (a fresh object per call, as the
// free functions and libbz2 have).
Bytes blockPackTwoThreads(const Bytes& input) {
    MemorySource in(input.data(), input.size());
    GrowingSink out(input.size() / 2);
    BlockCompressor compressor(2);
    if (compressor.compress(in, out, nullptr).status != CodecStatus::Ok)
        throw std::runtime_error("BlockCompressor(2) failed");
    return Bytes(out.data(), out.data() + out.size());
}

bool blockUnpackTwoThreads(const Bytes& stream, Bytes& output) {
    MemorySource in(stream.data(), stream.size());
    BlockDecoder decoder(2);
    CodecResult result = decoder.decode(in, output.data(), output.size(), nullptr);
    return result.status == CodecStatus::Ok && result.size == output.size();
}

Bytes lzPack(const Bytes& input) {
    MemorySource in(input.data(), input.size());
    GrowingSink out(input.size() / 2);
    if (lzCompress(in, out, nullptr).status != CodecStatus::Ok)
        throw std::runtime_error("lzCompress failed");
    return Bytes(out.data(), out.data() + out.size());
}

bool lzUnpack(const Bytes& stream, Bytes& output) {
    MemorySource in(stream.data(), stream.size());
    CodecResult result = lzUncompress(in, output.data(), output.size(), nullptr);
    return result.status == CodecStatus::Ok && result.size == output.size();
}

Bytes zstdPack(const Bytes& input) {
    MemorySource in(input.data(), input.size());
    GrowingSink out(input.size() / 2);
    if (zstdCompress(in, input.size(), out, kZstdDefaultLevel, nullptr).status != CodecStatus::Ok)
        throw std::runtime_error("zstdCompress failed");
    return Bytes(out.data(), out.data() + out.size());
}

// Fills the output area, as the pack's whole-entry reader does.
class AreaSink final : public ByteSink {
public:
    explicit AreaSink(Bytes& area) : area_(area) {}
    bool Write(const void* data, size_t size) override {
        if (size > area_.size() - filled_) return false;
        std::memcpy(area_.data() + filled_, data, size);
        filled_ += size;
        return true;
    }

private:
    Bytes& area_;
    size_t filled_ = 0;
};

bool zstdUnpack(const Bytes& stream, Bytes& output) {
    MemorySource in(stream.data(), stream.size());
    AreaSink sink(output);
    CodecResult result = zstdUncompressTo(in, sink, output.size(), nullptr);
    return result.status == CodecStatus::Ok && result.size == output.size();
}

Bytes zlibPack(const Bytes& input) {
    uLongf size = compressBound(static_cast<uLong>(input.size()));
    Bytes stream(size);
    if (compress2(stream.data(), &size, input.data(), static_cast<uLong>(input.size()), 6) !=
        Z_OK) {
        throw std::runtime_error("compress2 failed");
    }
    stream.resize(size);
    return stream;
}

bool zlibUnpack(const Bytes& stream, Bytes& output) {
    uLongf size = static_cast<uLongf>(output.size());
    return uncompress(output.data(), &size, stream.data(), static_cast<uLong>(stream.size())) ==
               Z_OK &&
           size == output.size();
}

Bytes bzip2Pack(const Bytes& input) {
    unsigned size = static_cast<unsigned>(input.size() + input.size() / 100 + 600);
    Bytes stream(size);
    if (BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(stream.data()), &size,
                                 const_cast<char*>(reinterpret_cast<const char*>(input.data())),
                                 static_cast<unsigned>(input.size()), 9, 0, 30) != BZ_OK) {
        throw std::runtime_error("BZ2_bzBuffToBuffCompress failed");
    }
    stream.resize(size);
    return stream;
}

bool bzip2Unpack(const Bytes& stream, Bytes& output) {
    unsigned size = static_cast<unsigned>(output.size());
    return BZ2_bzBuffToBuffDecompress(
               reinterpret_cast<char*>(output.data()), &size,
               const_cast<char*>(reinterpret_cast<const char*>(stream.data())),
               static_cast<unsigned>(stream.size()), 0, 0) == BZ_OK &&
           size == output.size();
}

struct Codec {
    const char* name;
    Bytes (*pack)(const Bytes&);
    bool (*unpack)(const Bytes&, Bytes&);
};

const Codec kCodecs[] = {
    {"block", blockPack, blockUnpack},   {"block-2t", blockPackTwoThreads, blockUnpackTwoThreads},
    {"bzip2-9", bzip2Pack, bzip2Unpack}, {"lz", lzPack, lzUnpack},
    {"zlib-6", zlibPack, zlibUnpack},    {"zstd-19", zstdPack, zstdUnpack},
};

// Each of ours and the peer it is measured against.
const char* const kPairs[][2] = {
    {"block", "bzip2-9"}, {"block-2t", "bzip2-9"}, {"lz", "zlib-6"}, {"zstd-19", "block"}};

// The block codec's speed targets against libbz2 -9 on the corpus TOTAL.
constexpr double kCompressTarget = 1.3;
constexpr double kDecompressTarget = 1.2;

// ---------------------------------------------------------------------------
// Timing

constexpr int kBatches = 3;
constexpr double kBatchSeconds = 0.1;

// Seconds per run of work: the fastest batch wins, as other processes on the
// machine can only slow a batch down.
template <class Work>
double secondsPerRun(Work work) {
    using Clock = std::chrono::steady_clock;
    double best = 1e30;
    for (int batch = 0; batch < kBatches; ++batch) {
        int runs = 0;
        Clock::time_point start = Clock::now();
        double elapsed = 0;
        do {
            work();
            ++runs;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        } while (elapsed < kBatchSeconds);
        best = std::min(best, elapsed / runs);
    }
    return best;
}

struct Row {
    std::string input;
    std::string codec;
    size_t bytesIn = 0;
    size_t bytesOut = 0;
    double compressSeconds = 0;
    double decompressSeconds = 0;

    double compressMbS() const { return bytesIn / compressSeconds / 1e6; }
    double decompressMbS() const { return bytesIn / decompressSeconds / 1e6; }
};

bool measure(const std::string& name, const Bytes& input, const Codec& codec, Row& row) {
    Bytes stream = codec.pack(input);
    Bytes output(input.size());
    if (!codec.unpack(stream, output) || output != input) {
        std::fprintf(stderr, "codec_bench: %s does not give %s back\n", codec.name, name.c_str());
        return false;
    }
    row = {name, codec.name, input.size(), stream.size(), 0, 0};
    row.compressSeconds = secondsPerRun([&] { codec.pack(input); });
    row.decompressSeconds = secondsPerRun([&] { codec.unpack(stream, output); });
    return true;
}

// ---------------------------------------------------------------------------
// Report

void printRow(const Row& row) {
    std::printf("%-26s %-8s %10zu %10zu %6.1f%% %9.1f %9.1f\n", row.input.c_str(),
                row.codec.c_str(), row.bytesIn, row.bytesOut,
                row.bytesIn ? 100.0 * row.bytesOut / row.bytesIn : 0.0, row.compressMbS(),
                row.decompressMbS());
}

void printHeader() {
    std::printf("%-26s %-8s %10s %10s %7s %9s %9s\n", "input", "codec", "bytes in", "bytes out",
                "size", "comp MB/s", "dec MB/s");
}

// Each of ours against its peer, on one input.
void printComparison(const std::vector<Row>& rows, const std::string& input) {
    for (const auto& pair : kPairs) {
        const Row* ours = nullptr;
        const Row* peer = nullptr;
        for (const Row& row : rows) {
            if (row.input != input) continue;
            if (row.codec == pair[0]) ours = &row;
            if (row.codec == pair[1]) peer = &row;
        }
        if (!ours || !peer) continue;
        std::printf("%-26s %-8s / %-8s size %5.2fx  compress %5.2fx  decompress %5.2fx\n",
                    input.c_str(), ours->codec.c_str(), peer->codec.c_str(),
                    static_cast<double>(ours->bytesOut) / peer->bytesOut,
                    ours->compressMbS() / peer->compressMbS(),
                    ours->decompressMbS() / peer->decompressMbS());
    }
}

// Throughput of our codecs on an input kept apart, against their corpus total.
void printAgainstTotal(const std::vector<Row>& rows, const std::string& input) {
    for (const auto& pair : kPairs) {
        const Row* row = nullptr;
        const Row* total = nullptr;
        for (const Row& r : rows) {
            if (r.codec != pair[0]) continue;
            if (r.input == input) row = &r;
            if (r.input == "TOTAL") total = &r;
        }
        if (!row || !total) continue;
        std::printf("%-26s %-8s compress %5.2fx, decompress %5.2fx of its TOTAL throughput\n",
                    input.c_str(), row->codec.c_str(), row->compressMbS() / total->compressMbS(),
                    row->decompressMbS() / total->decompressMbS());
    }
}

const Row* findRow(const std::vector<Row>& rows, const std::string& input,
                   const std::string& codec) {
    for (const Row& row : rows) {
        if (row.input == input && row.codec == codec) return &row;
    }
    return nullptr;
}

// The block codec on one and two threads against its targets, and what its
// objects hold.
void printBlockTargets(const std::vector<Row>& rows) {
    const Row* peer = findRow(rows, "TOTAL", "bzip2-9");
    std::printf(
        "block codec / bzip2-9 on the corpus TOTAL (targets: compress >= %.2fx, "
        "decompress >= %.2fx)\n",
        kCompressTarget, kDecompressTarget);
    const struct {
        const char* codec;
        unsigned threads;
    } variants[] = {{"block", 1}, {"block-2t", 2}};
    for (const auto& variant : variants) {
        const Row* ours = findRow(rows, "TOTAL", variant.codec);
        if (!ours || !peer) continue;
        const double compress = ours->compressMbS() / peer->compressMbS();
        const double decompress = ours->decompressMbS() / peer->decompressMbS();
        std::printf("  %u thread%s  compress %5.2fx (%s)  decompress %5.2fx (%s)\n",
                    variant.threads, variant.threads > 1 ? "s" : " ", compress,
                    compress >= kCompressTarget ? "met" : "NOT met", decompress,
                    decompress >= kDecompressTarget ? "met" : "NOT met");
    }
    std::printf(
        "  working storage per object: compressor %.1f MB (1 thread), %.1f MB (2 "
        "threads); decoder %.1f MB, %.1f MB\n",
        BlockCompressor::storageBytes(1) / 1e6, BlockCompressor::storageBytes(2) / 1e6,
        BlockDecoder::storageBytes(1) / 1e6, BlockDecoder::storageBytes(2) / 1e6);
}

bool writeCsv(const std::string& path, const std::vector<Row>& rows) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return false;
    std::fprintf(file, "input,codec,bytes_in,bytes_out,compress_mb_s,decompress_mb_s\n");
    for (const Row& row : rows) {
        std::fprintf(file, "%s,%s,%zu,%zu,%.2f,%.2f\n", row.input.c_str(), row.codec.c_str(),
                     row.bytesIn, row.bytesOut, row.compressMbS(), row.decompressMbS());
    }
    return std::fclose(file) == 0;
}

bool readFile(const std::string& path, Bytes& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

std::string baseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Input {
    std::string path;
    bool apart;  // left out of TOTAL
};

}  // namespace

int main(int argc, char** argv) {
    std::string csvPath;
    std::vector<Input> inputs;
    for (int k = 1; k < argc; ++k) {
        std::string arg = argv[k];
        if ((arg == "--csv" || arg == "--apart") && k + 1 < argc) {
            if (arg == "--csv")
                csvPath = argv[++k];
            else
                inputs.push_back({argv[++k], true});
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "usage: codec_bench [--csv PATH] [--apart FILE]... FILE...\n");
            return 2;
        } else {
            inputs.push_back({arg, false});
        }
    }
    // The corpus first, the inputs kept apart after it.
    std::stable_partition(inputs.begin(), inputs.end(), [](const Input& in) { return !in.apart; });

    std::vector<Row> rows;
    std::vector<Row> totals;
    for (const Codec& codec : kCodecs)
        totals.push_back({"TOTAL", codec.name});
    bool allGood = true;
    printHeader();
    for (const Input& in : inputs) {
        Bytes data;
        if (!readFile(in.path, data)) {
            std::fprintf(stderr, "codec_bench: cannot read %s\n", in.path.c_str());
            allGood = false;
            continue;
        }
        std::string name = baseName(in.path);
        for (size_t c = 0; c < std::size(kCodecs); ++c) {
            Row row;
            if (!measure(name, data, kCodecs[c], row)) {
                allGood = false;
                continue;
            }
            printRow(row);
            rows.push_back(row);
            if (!in.apart) {
                totals[c].bytesIn += row.bytesIn;
                totals[c].bytesOut += row.bytesOut;
                totals[c].compressSeconds += row.compressSeconds;
                totals[c].decompressSeconds += row.decompressSeconds;
            }
        }
    }
    for (const Row& total : totals) {
        if (total.bytesIn == 0) continue;
        printRow(total);
        rows.push_back(total);
    }

    std::printf("\nours / peer (size: smaller is better; speed: larger is better)\n");
    printComparison(rows, "TOTAL");
    for (const Input& in : inputs) {
        if (in.apart) printComparison(rows, baseName(in.path));
    }
    std::printf("\n");
    for (const Input& in : inputs) {
        if (in.apart) printAgainstTotal(rows, baseName(in.path));
    }
    std::printf("\n");
    printBlockTargets(rows);

    if (!csvPath.empty() && !writeCsv(csvPath, rows)) {
        std::fprintf(stderr, "codec_bench: cannot write %s\n", csvPath.c_str());
        return 1;
    }
    return allGood ? 0 : 1;
}
