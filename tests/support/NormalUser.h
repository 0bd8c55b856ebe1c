#pragma once

#include <filesystem>
#include <functional>

namespace lumivex::test {

// Root may write any file, so permission cases mean nothing to it. runAsNormalUser runs `body`
// in a child process that, when the tests run as root, first becomes the unprivileged user
// "nobody" (65534, group 65534); otherwise it stays the current user. The answer is the child's
// exit status (0..255), or -1 when the child could not be started, drop its rights, or died.
int runAsNormalUser(const std::function<int()>& body);

// Hands a file or folder to that user (nothing to do when the tests do not run as root).
void giveToNormalUser(const std::filesystem::path& path);

} // namespace lumivex::test
