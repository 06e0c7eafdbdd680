// Signed installers: nerro-pack build signing with osslsigncode, reading a
// signed installer's pack, and the commands that would break a signature.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pack/pack_file.h"
#include "tests/pack/pe_image_support.h"
#include "tests/tools/tool_cli_fixture.h"

namespace fs = std::filesystem;

namespace tooltest {
namespace {

// The PE checksum field of peImage: osslsigncode rewrites it when it signs.
constexpr size_t kChecksumPosition = 0x58 + 64;

std::string withoutChecksum(std::string bytes) {
    if (bytes.size() >= kChecksumPosition + 4) bytes.replace(kChecksumPosition, 4, 4, '\0');
    return bytes;
}

// Also without the security directory entry that names the certificate table.
std::string withoutSignatureFields(const std::string& bytes) {
    std::string plain = withoutChecksum(bytes);
    const size_t entry = packtest::securityEntryPosition(packtest::PeKind::Pe32);
    if (plain.size() >= entry + 8) plain.replace(entry, 8, 8, '\0');
    return plain;
}

// The unsigned build of the product, beside the signed setup.exe.
const char* const kUnsigned = "plain/setup.exe";

const std::vector<std::string> kSignOptions = {"--sign-cert", "cert.pem", "--sign-key", "key.pem"};

std::vector<std::string> buildArgs(const std::string& output, bool sign) {
    std::vector<std::string> args = {"build", "prod", "-o", output, "--stub", "stub.exe"};
    if (sign) args.insert(args.end(), kSignOptions.begin(), kSignOptions.end());
    return args;
}

class SigningTest : public ToolCliTest {
protected:
    void SetUp() override {
        if (!programOnPath("osslsigncode")) GTEST_SKIP() << "osslsigncode is not installed";
        // A self-signed test certificate, made fresh for each test.
        const ToolRun made =
            runProgram("openssl",
                       {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem",
                        "-out", "cert.pem", "-days", "2", "-subj", "/CN=Nerro Test Vendor"},
                       scratch_.Capture());
        ASSERT_EQ(made.exitCode, 0) << made.err;
        MakeProduct();
        // osslsigncode signs PE images only: the stub must be one.
        writeBytes("stub.exe", packtest::peImage(packtest::PeKind::Pe32));
    }

    ToolRun OsslVerify(const std::string& file) const {
        return runProgram("osslsigncode", {"verify", "-CAfile", "cert.pem", "-in", file},
                          scratch_.Capture());
    }

    // Builds setup.exe signed and plain/setup.exe from the same product (an
    // installer names its own file in its version information: the same name).
    void BuildBoth() const {
        fs::create_directories("plain");
        const ToolRun signedRun = Run(buildArgs("setup.exe", true));
        ASSERT_EQ(signedRun.exitCode, 0) << signedRun.err;
        ASSERT_EQ(Run(buildArgs(kUnsigned, false)).exitCode, 0);
    }
};

TEST_F(SigningTest, BuildSignsAndTheSignedPackReads) {
    BuildBoth();
    EXPECT_EQ(OsslVerify("setup.exe").exitCode, 0);
    EXPECT_NE(OsslVerify(kUnsigned).exitCode, 0);

    const ToolRun verify = Run({"verify", "setup.exe"});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_EQ(verify.out, "setup.exe: 6 entries ok\nsigned: yes\n");
    EXPECT_NE(Run({"info", "setup.exe"}).out.find("\nsigned: yes\n"), std::string::npos);
    EXPECT_EQ(Run({"list", "setup.exe"}).out, Run({"list", kUnsigned}).out);

    // The signed file is the unsigned one, padded, with the table behind.
    TPackFile pack("setup.exe", false);
    ASSERT_TRUE(pack.IsSigned());
    EXPECT_EQ(pack.GetPackEnd(), fs::file_size(kUnsigned));
    // (Compared as a truth value: a mismatch would print kilobytes of bytes.)
    EXPECT_TRUE(withoutSignatureFields(readBytes("setup.exe").substr(0, pack.GetPackEnd())) ==
                readBytes(kUnsigned));
    EXPECT_EQ(
        folderListing("."),
        (std::vector<std::string>{"cert.pem", "key.pem", "plain", kUnsigned, "prod",
                                  "prod/English.clg",
                                  "prod/Nerro.ini", "prod/docs", "prod/docs/readme.txt",
                                  "prod/filter.8bf", "prod/logo.bmp", "prod/nerro-uninstall.exe",
                                  "prod/notes.txt", "setup.exe", "stub.exe"}));
}

TEST_F(SigningTest, ChangedPackBreaksTheSignature) {
    BuildBoth();
    std::string bytes = readBytes("setup.exe");
    TPackFile pack("setup.exe", false);
    const uint64_t dataAt = pack.GetPackBase() + pack.Find("filter.8bf")->offset + 10;
    bytes[dataAt] = static_cast<char>(bytes[dataAt] ^ 0x55);
    writeBytes("changed.exe", bytes);
    EXPECT_NE(OsslVerify("changed.exe").exitCode, 0);
}

TEST_F(SigningTest, ChangingCommandsRefuseASignedFile) {
    BuildBoth();
    writeBytes("extra.txt", "extra");
    const std::string before = readBytes("setup.exe");
    const std::vector<std::vector<std::string>> commands = {
        {"add", "setup.exe", "extra.txt"},
        {"remove", "setup.exe", "English.clg"},
        {"compact", "setup.exe"},
    };
    for (const auto& args : commands) {
        SCOPED_TRACE(args[0]);
        const ToolRun run = Run(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err,
                  "nerro-pack: setup.exe is signed; changing it would break the signature: pass "
                  "--drop-signature to remove it, then sign again\n");
        EXPECT_EQ(readBytes("setup.exe"), before);
    }
}

TEST_F(SigningTest, DropSignatureLeavesTheUnsignedInstallerChanged) {
    BuildBoth();
    writeBytes("extra.txt", "extra");
    const struct {
        std::vector<std::string> args;
        int entries;
    } cases[] = {
        {{"add", "setup.exe", "extra.txt", "--drop-signature"}, 7},
        {{"remove", "setup.exe", "English.clg", "--drop-signature"}, 5},
        {{"compact", "setup.exe", "--drop-signature"}, 6},
    };
    const std::string signedBytes = readBytes("setup.exe");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        writeBytes("setup.exe", signedBytes);
        const ToolRun run = Run(c.args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const ToolRun verify = Run({"verify", "setup.exe"});
        EXPECT_EQ(verify.exitCode, 0) << verify.err;
        EXPECT_EQ(verify.out,
                  "setup.exe: " + std::to_string(c.entries) + " entries ok\nsigned: no\n");
        EXPECT_NE(OsslVerify("setup.exe").exitCode, 0);
        TPackFile pack("setup.exe", false);
        EXPECT_FALSE(pack.IsSigned());
        EXPECT_EQ(pack.GetPackEnd(), fs::file_size("setup.exe"));
    }
    // Compacting an already compact pack changes nothing: what is left is
    // the unsigned installer, security directory entry and padding gone.
    EXPECT_TRUE(withoutChecksum(readBytes("setup.exe")) == readBytes(kUnsigned));
    // And it can be signed again.
    const ToolRun again = runProgram(
        "osslsigncode",
        {"sign", "-certs", "cert.pem", "-key", "key.pem", "-in", "setup.exe", "-out", "again.exe"},
        scratch_.Capture());
    ASSERT_EQ(again.exitCode, 0) << again.out << again.err;
    EXPECT_EQ(OsslVerify("again.exe").exitCode, 0);
    EXPECT_EQ(Run({"verify", "again.exe"}).out, "again.exe: 6 entries ok\nsigned: yes\n");
}

TEST_F(SigningTest, FailedSigningWritesNothing) {
    const struct {
        const char* what;
        std::vector<std::string> options;
        std::string shellPrefix;
        std::string err;
    } cases[] = {
        {"key that does not exist",
         {"--sign-cert", "cert.pem", "--sign-key", "missing.pem"},
         "",
         "nerro-pack: cannot sign: osslsigncode failed (exit status "},
#ifndef _WIN32
        {"no osslsigncode on PATH", kSignOptions, "PATH=/nonexistent ",
         "nerro-pack: cannot sign: osslsigncode is not installed or not on PATH (Debian package "
         "osslsigncode)\n"},
#endif
    };
    const std::vector<std::string> before = folderListing(".");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = buildArgs("setup.exe", false);
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ToolRun run = Run(args, c.shellPrefix);
        EXPECT_EQ(run.exitCode, 1);
        // osslsigncode's own words come first, on standard error.
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(folderListing("."), before);
    }
}

TEST_F(SigningTest, EncryptedKeyIsOpenedWithItsPassword) {
    const ToolRun made = runProgram(
        "openssl",
        {"req", "-x509", "-newkey", "rsa:2048", "-passout", "pass:s3cret word", "-keyout",
         "locked-key.pem", "-out", "locked-cert.pem", "-days", "2", "-subj", "/CN=Nerro Locked"},
        scratch_.Capture());
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const struct {
        const char* password;
        int exitCode;
    } cases[] = {
        {"s3cret word", 0},
        {"wrong", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password);
        fs::remove("setup.exe");
        const ToolRun run =
            Run({"build", "prod", "-o", "setup.exe", "--stub", "stub.exe", "--sign-cert",
                 "locked-cert.pem", "--sign-key", "locked-key.pem", "--sign-pass", c.password});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(fs::exists("setup.exe"), c.exitCode == 0);
        if (c.exitCode == 0) {
            const ToolRun verify = runProgram(
                "osslsigncode", {"verify", "-CAfile", "locked-cert.pem", "-in", "setup.exe"},
                scratch_.Capture());
            EXPECT_EQ(verify.exitCode, 0) << verify.out;
        }
    }
}

TEST_F(SigningTest, SignedStubIsRefused) {
    ASSERT_EQ(Run(buildArgs("setup.exe", true)).exitCode, 0);
    fs::copy_file("setup.exe", "signed-stub.exe");
    const ToolRun run = Run({"build", "prod", "-o", "other.exe", "--stub", "signed-stub.exe"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "nerro-pack: the stub signed-stub.exe is signed: build from the unsigned stub and "
              "sign the installer (--sign-cert, --sign-key)\n");
    EXPECT_FALSE(fs::exists("other.exe"));
}

}  // namespace
}  // namespace tooltest
