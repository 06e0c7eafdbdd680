// Authenticode signatures of installers: signing a built installer with
// osslsigncode, and dropping a signature before the pack is changed.
#pragma once

#include <optional>
#include <string>

#include "tools/tool_args.h"

// The program that signs; looked for on PATH.
constexpr const char* kSigningProgram = "osslsigncode";

struct SigningOptions {
    std::string certificate;   // --sign-cert: the certificate (chain), PEM or DER
    std::string key;           // --sign-key: its private key
    std::string password;      // --sign-pass: the key's password, when it has one
    std::string timestampUrl;  // --timestamp: an RFC 3161 time-stamping server
};

// The signing options of build, or nothing when none is given. Throws
// UsageError when --sign-cert and --sign-key are not given together, or
// --sign-pass or --timestamp without them.
std::optional<SigningOptions> signingOptions(const CommandArgs& args);

// Signs the installer at input into a new file at output with osslsigncode.
// Throws ToolError when osslsigncode is missing or fails; output may then be
// left behind for the caller to delete.
void signInstaller(const std::string& input, const std::string& output,
                   const SigningOptions& options);

// A certificate table ends the file at path.
bool isSignedFile(const std::string& path);

// Unless drop, throws ToolError for the signed file at path (named shown in
// the message): any change to it would break its signature. With drop, the
// certificate table, the padding before it and the security directory entry
// that names it are removed: the file is left as it was before signing
// (its PE checksum aside, which only drivers need). An unsigned file is left alone.
void allowChangeOfSignedFile(const std::string& path, const std::string& shown, bool drop);
