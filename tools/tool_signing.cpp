#include "tools/tool_signing.h"

#include <fstream>
#include <vector>

#include "pack/pack_file.h"
#include "pack/pack_resize.h"
#include "tools/tool_errors.h"
#include "tools/tool_files.h"
#include "tools/tool_process.h"

std::optional<SigningOptions> signingOptions(const CommandArgs& args) {
    const bool certificate = args.Has("sign-cert");
    const bool key = args.Has("sign-key");
    if (certificate != key) throw UsageError("--sign-cert and --sign-key go together");
    if (!certificate) {
        if (args.Has("sign-pass") || args.Has("timestamp"))
            throw UsageError("--sign-pass and --timestamp need --sign-cert and --sign-key");
        return std::nullopt;
    }
    return SigningOptions{args.Value("sign-cert"), args.Value("sign-key"), args.Value("sign-pass"),
                          args.Value("timestamp")};
}

void signInstaller(const std::string& input, const std::string& output,
                   const SigningOptions& options) {
    std::vector<std::string> args = {"sign", "-certs", options.certificate, "-key", options.key};
    if (!options.password.empty()) args.insert(args.end(), {"-pass", options.password});
    if (!options.timestampUrl.empty()) args.insert(args.end(), {"-ts", options.timestampUrl});
    args.insert(args.end(), {"-in", input, "-out", output});
    const int status = runExternalProgram(kSigningProgram, args);
    if (status == kProgramNotFound) {
        throw ToolError(std::string("cannot sign: ") + kSigningProgram +
                        " is not installed or not on PATH (Debian package osslsigncode)");
    }
    if (status != 0) {
        throw ToolError(std::string("cannot sign: ") + kSigningProgram + " failed (exit status " +
                        std::to_string(status) + "); nothing written");
    }
}

bool isSignedFile(const std::string& path) {
    return TPackFile(path.c_str(), false).IsSigned();
}

void allowChangeOfSignedFile(const std::string& path, const std::string& shown, bool drop) {
    uint64_t packEnd = 0;
    PeCertificateTable table;
    {
        TPackFile pack(path.c_str(), false);
        if (!pack.IsSigned()) return;
        if (!drop) {
            throw ToolError(shown +
                            " is signed; changing it would break the signature: pass "
                            "--drop-signature to remove it, then sign again");
        }
        packEnd = pack.GetPackEnd();
        table = pack.GetCertificateTable();
    }
    {
        std::fstream file(pathFromUtf8(path), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(table.directoryPosition));
        const char empty[8] = {};
        file.write(empty, sizeof empty);
        file.flush();
        if (!file) throw ToolError("cannot write " + shown);
    }
    if (!resizePackFile(path, packEnd)) throw ToolError("cannot write " + shown);
}
