// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Runs a piece of a test in a forked child: as another user, or where a fault would block for good
// (the child is killed after a time limit, and the test fails instead of hanging).

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace mervale::testing {

// A uid and gid without an entry in the user database: a second user that owns nothing else.
inline constexpr uid_t kOtherUser = 12345;
inline constexpr uid_t kThirdUser = 12346;

// Runs `body` in a child process and returns the text it produced, or nothing when the child did
// not finish within `limit` (it is killed then) or ended abnormally. An exception's text is
// returned as the text, prefixed with "exception: ".
inline std::optional<std::string> RunInChild(
    const std::function<std::string()>& body,
    std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  int channel[2];
  if (::pipe(channel) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    std::string text;
    try {
      text = body();
    } catch (const std::exception& error) {
      text = std::string("exception: ") + error.what();
    }
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t written = ::write(channel[1], text.data() + done, text.size() - done);
      if (written <= 0) ::_exit(1);
      done += static_cast<std::size_t>(written);
    }
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string text;
  bool ended = false;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!ended) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{channel[0], POLLIN, 0};
    if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[4096];
    const ssize_t count = ::read(channel[0], buffer, sizeof buffer);
    if (count <= 0) {
      ended = true;
    } else {
      text.append(buffer, static_cast<std::size_t>(count));
    }
  }
  ::close(channel[0]);
  if (!ended) ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!ended || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return text;
}

// Makes the calling (child) process `uid` for good; false when it cannot.
inline bool BecomeUser(uid_t uid) {
  return ::setgroups(0, nullptr) == 0 && ::setresgid(uid, uid, uid) == 0 &&
         ::setresuid(uid, uid, uid) == 0;
}

}  // namespace mervale::testing
