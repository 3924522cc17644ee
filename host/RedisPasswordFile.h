#pragma once
// The Redis password read from a file, for operators who keep secrets in files
// rather than in the environment. The file must be a regular file owned by the
// user this process runs as and readable by no one else (mode 0600 or 0400): a
// password others can read is refused rather than used. Its first line is the
// password (a trailing newline is not part of it).
#include <string>

// False with the reason (naming the file, never its content) when the file
// cannot be read, is open to others, or holds no password.
bool ReadRedisPasswordFile(const std::string& path, std::string& password, std::string& error);
