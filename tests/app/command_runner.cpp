// Running the built front end under Ctrl-C: see command_runner.h.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

}  // namespace

Interrupted run_interrupted(const std::vector<std::string>& args, const std::string& ready, uint32_t delay_ms,
                            uint32_t wait_ms) {
  Interrupted r;
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return r;
  const std::string program = std::string(VELKORA_BINARY_DIR) + "/app/velkora";
  std::vector<char*> argv{const_cast<char*>("velkora")};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
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
  uint32_t ready_at = ready.empty() ? platform::tick_ms() : 0;
  bool is_ready = ready.empty();
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
    if (poll(fds, 2, 10) <= 0) continue;
    if (fds[0].revents) out_open = drain(out[0], r.out);
    if (fds[1].revents) err_open = drain(err[0], r.err);
    if (!is_ready && r.err.find(ready) != std::string::npos) {
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

}  // namespace command_test
