#include "tools/convert/BatchCommand.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

namespace quillon::convert {

namespace {

// Why a child ended without success, or an empty text when it succeeded.
std::string FailureOf(int status) {
  if (WIFEXITED(status)) {
    return WEXITSTATUS(status) == 0 ? std::string()
                                    : "exit status " + std::to_string(WEXITSTATUS(status));
  }
  if (WIFSIGNALED(status)) {
    return std::string("stopped by signal ") + std::to_string(WTERMSIG(status)) + " (" +
           strsignal(WTERMSIG(status)) + ")";
  }
  return "ended for an unknown reason";
}

}  // namespace

int RunBatch(const ConvertArguments& arguments, const ConvertOne& convert, std::ostream& out,
             std::ostream& progress, bool showProgress) {
  std::error_code error;
  std::filesystem::create_directories(arguments.outputDirectory, error);
  if (error) {
    progress << "quillon-convert: cannot make the directory '" << arguments.outputDirectory.string()
             << "': " << error.message() << '\n';
    return 1;
  }

  const std::size_t total = arguments.files.size();
  std::map<pid_t, std::size_t> running;  // child -> index of its input
  std::size_t next = 0, done = 0, failed = 0;
  const auto showCount = [&] {
    if (showProgress)
      progress << "\rquillon-convert: " << done << " of " << total << " done" << std::flush;
  };
  const auto finish = [&](std::size_t index, const std::string& failure) {
    ++done;
    if (!failure.empty()) {
      ++failed;
      if (showProgress) progress << '\n';
      progress << "quillon-convert: '" << arguments.files[index].string() << "' failed (" << failure
               << ")\n";
    }
    showCount();
  };

  showCount();
  while (done < total) {
    while (next < total && running.size() < std::size_t(arguments.jobs)) {
      ConvertArguments one = arguments;
      one.command = Command::Convert;
      one.files = {arguments.files[next], BatchOutputPath(arguments, arguments.files[next])};
      out.flush();
      progress.flush();
      const pid_t child = fork();
      if (child == 0) {
        const int status = convert(one);
        out.flush();
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        _exit(status);
      }
      if (child < 0) {
        finish(next++, std::string("cannot start a process: ") + std::strerror(errno));
        continue;
      }
      running.emplace(child, next++);
    }
    if (running.empty()) continue;
    int status = 0;
    const pid_t ended = waitpid(-1, &status, 0);
    if (ended < 0) {
      if (errno == EINTR) continue;
      // No child is left to wait for: count the ones we lost as failed.
      for (const auto& [child, index] : running) finish(index, "lost");
      running.clear();
      continue;
    }
    const auto found = running.find(ended);
    if (found == running.end()) continue;
    const std::size_t index = found->second;
    running.erase(found);
    finish(index, FailureOf(status));
  }
  if (showProgress) progress << '\n';
  out << total - failed << " of " << total << " files converted";
  if (failed != 0) out << ", " << failed << " failed";
  out << '\n';
  return failed == 0 ? 0 : 1;
}

}  // namespace quillon::convert
