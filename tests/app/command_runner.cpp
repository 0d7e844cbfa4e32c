// Running the built front end under Ctrl-C, or a built program writing to a
// given file: see command_runner.h.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "tests/app/command_runner.h"

namespace command_test {

namespace {

// A command that has not become ready by then is not waited for any longer.
constexpr uint32_t kReadyLimitMs = 60000;

// Appends what `fd` has to `text`; false at its end.
bool drain(int fd, std::string& text) {
  char buf[4096];
  const ssize_t n = read(fd, buf, sizeof buf);
  if (n <= 0) return false;
  text.append(buf, static_cast<size_t>(n));
  return true;
}

// The program's argument vector for execv: `name`, then `args`.
std::vector<char*> program_argv(const char* name, const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(name)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

std::string velkora_path() { return test_support::test_binary_dir() + "/app/velkora"; }

// The number of threads of the process, 0 when it cannot be read.
int thread_count(pid_t pid) {
  FILE* f = fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
  if (!f) return 0;
  int threads = 0;
  char line[256];
  while (fgets(line, sizeof line, f)) {
    if (sscanf(line, "Threads: %d", &threads) == 1) break;
  }
  fclose(f);
  return threads;
}

// run_interrupted, ready once `ready` says so of the process and what its
// standard error holds so far.
Interrupted run_until_ready(const std::vector<std::string>& args, const std::function<bool(pid_t, const std::string&)>& ready,
                            uint32_t delay_ms, uint32_t wait_ms) {
  Interrupted r;
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return r;
  const std::string program = velkora_path();
  std::vector<char*> argv = program_argv("velkora", args);
  const pid_t pid = fork();
  if (pid < 0) return r;
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  bool out_open = true, err_open = true, sent = false;
  bool is_ready = ready(pid, r.err);
  uint32_t ready_at = is_ready ? platform::tick_ms() : 0;
  uint32_t sent_at = 0;
  const uint32_t start = platform::tick_ms();
  while (out_open || err_open) {
    const uint32_t now = platform::tick_ms();
    if (!sent && platform::tick_elapsed(start, now) > kReadyLimitMs) break;
    if (!sent && is_ready && platform::tick_elapsed(ready_at, now) >= delay_ms) {
      kill(pid, SIGINT);
      sent = true;
      sent_at = now;
    }
    if (sent && platform::tick_elapsed(sent_at, now) > wait_ms) break;
    pollfd fds[2] = {{out_open ? out[0] : -1, POLLIN, 0}, {err_open ? err[0] : -1, POLLIN, 0}};
    // Until it is ready the program is looked at every millisecond.
    if (poll(fds, 2, is_ready ? 10 : 1) > 0) {
      if (fds[0].revents) out_open = drain(out[0], r.out);
      if (fds[1].revents) err_open = drain(err[0], r.err);
    }
    if (!is_ready && ready(pid, r.err)) {
      is_ready = true;
      ready_at = platform::tick_ms();
    }
  }
  r.ended = sent && !out_open && !err_open;
  if (!r.ended) kill(pid, SIGKILL);
  waitpid(pid, &r.status, 0);
  close(out[0]);
  close(err[0]);
  return r;
}

}  // namespace

Interrupted run_interrupted(const std::vector<std::string>& args, const std::string& ready, uint32_t delay_ms,
                            uint32_t wait_ms) {
  return run_until_ready(
      args, [&ready](pid_t, const std::string& err) { return err.find(ready) != std::string::npos; }, delay_ms,
      wait_ms);
}

Interrupted run_interrupted_after_thread(const std::vector<std::string>& args, uint32_t delay_ms, uint32_t wait_ms) {
  return run_until_ready(
      args, [](pid_t pid, const std::string&) { return thread_count(pid) >= 2; }, delay_ms, wait_ms);
}

Written run_writing_to(const std::vector<std::string>& args, const char* out_path) {
  return run_program_writing_to("app/velkora", args, out_path);
}

Written run_program_writing_to(const std::string& path, const std::vector<std::string>& args,
                               const char* out_path) {
  Written r;
  int err[2];
  if (pipe(err) != 0) return r;
  const std::string program = test_support::test_binary_dir() + "/" + path;
  const std::string name = program.substr(program.rfind('/') + 1);
  std::vector<char*> argv = program_argv(name.c_str(), args);
  const pid_t pid = fork();
  if (pid < 0) return r;
  if (pid == 0) {
    const int out = open(out_path, O_WRONLY);
    if (out < 0) _exit(126);
    dup2(out, 1);
    dup2(err[1], 2);
    close(err[0]);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(err[1]);
  while (drain(err[0], r.err)) {
  }
  close(err[0]);
  waitpid(pid, &r.status, 0);
  return r;
}

}  // namespace command_test
