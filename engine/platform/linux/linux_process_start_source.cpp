// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/linux/linux_process_start_source.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/cn_proc.h>
#include <linux/connector.h>
#include <linux/filter.h>
#include <linux/netlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "engine/platform/linux/linux_start_hints.h"

namespace mervale {
namespace {

// The inode of the initial PID namespace, fixed by the kernel (PROC_PID_INIT_INO).
constexpr ino_t kInitialPidNamespaceInode = 0xEFFFFFFC;

// The kernel confirms a subscription while it handles the request, so its reply is normally
// waiting before send() returns; this only covers a machine too busy to say so at once.
constexpr auto kReplyTimeout = std::chrono::milliseconds(200);

constexpr std::size_t kEventOffset = NLMSG_HDRLEN + sizeof(cn_msg);
constexpr std::size_t kWhatOffset = kEventOffset + offsetof(proc_event, what);
constexpr std::size_t kExecEnd =
    offsetof(proc_event, event_data) + sizeof(proc_event::event_data.exec);

// Lets exec events and the kernel's replies (PROC_EVENT_NONE) through, nothing else. Classic BPF
// loads words in network byte order, the event's fields are in the host's.
void AttachExecOnlyFilter(int socket) {
  sock_filter code[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kWhatOffset),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, htonl(proc_event::PROC_EVENT_EXEC), 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, htonl(proc_event::PROC_EVENT_NONE), 1, 0),
      BPF_STMT(BPF_RET | BPF_K, 0),
      BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFF),
  };
  const sock_fprog program = {sizeof code / sizeof code[0], code};
  // Without the filter every fork and exit wakes the reader, which still ignores them.
  setsockopt(socket, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program);
}

void SetReceiveBuffer(int socket, int bytes) {
  // FORCE may exceed net.core.rmem_max; it needs CAP_NET_ADMIN, which a subscription needs anyway.
  if (setsockopt(socket, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
    setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

}  // namespace

std::unique_ptr<ProcessStartSource> OpenProcessStartSource() {
  auto events = std::make_unique<LinuxProcessStartSource>();
  if (events->Events() == StartEvents::kOwnPids) return events;
  auto hints = std::make_unique<LinuxStartHints>();
  if (hints->Events() == StartEvents::kOwnPids) return hints;
  return events;
}

bool ProcShowsInitialPidNamespace() {
  struct stat ns {};
  if (stat("/proc/self/ns/pid", &ns) != 0 || ns.st_ino != kInitialPidNamespaceInode) return false;
  char self[32] = {};
  const ssize_t length = readlink("/proc/self", self, sizeof self - 1);
  return length > 0 && std::string_view(self, std::size_t(length)) == std::to_string(getpid());
}

std::optional<long> LastPidOfOwnNamespace() {
  // Read at most once per pass under a storm of starts: opened once, read from its start each time.
  static const UniqueFd file(open("/proc/sys/kernel/ns_last_pid", O_RDONLY | O_CLOEXEC));
  char text[32];
  const ssize_t length = file.Valid() ? pread(file.Get(), text, sizeof text, 0) : -1;
  long pid = 0;
  if (length <= 0 || std::from_chars(text, text + length, pid).ec != std::errc{})
    return std::nullopt;
  return pid;
}

LinuxProcessStartSource::LinuxProcessStartSource(int receiveBufferBytes)
    : socket_(socket(AF_NETLINK, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_CONNECTOR)) {
  if (!socket_.Valid()) return;
  SetReceiveBuffer(socket_.Get(), receiveBufferBytes);
  AttachExecOnlyFilter(socket_.Get());
  if (!Subscribe()) {
    events_ = StartEvents::kUnavailable;
    early_ = {};
    socket_.Reset();
  }
}

LinuxProcessStartSource::~LinuxProcessStartSource() {
  // The kernel counts listeners machine-wide and only stops sending when the count falls to 0.
  if (events_ == StartEvents::kOwnPids) SendListenRequest(PROC_CN_MCAST_IGNORE);
}

bool LinuxProcessStartSource::Subscribe() {
  sockaddr_nl address{};
  address.nl_family = AF_NETLINK;
  address.nl_groups = CN_IDX_PROC;
  if (bind(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return false;
  if (!SendListenRequest(PROC_CN_MCAST_LISTEN)) return false;
  if (!ProcShowsInitialPidNamespace()) {
    // The kernel ignores the request without a reply here; what others' subscriptions bring in
    // can still tell that something started.
    events_ = StartEvents::kForeignPids;
    lastPidHinted_ = LastPidOfOwnNamespace();
    return true;
  }
  const auto deadline = std::chrono::steady_clock::now() + kReplyTimeout;
  // An overflow may have dropped the reply; the kernel refuses a subscription only to a caller
  // without CAP_NET_ADMIN, who could not have bound the socket.
  while (!replyError_ && !early_.eventsLost) {
    if (ReadOne(early_)) continue;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready = {socket_.Get(), POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, int(left.count())) <= 0) return false;
  }
  if (replyError_.value_or(0) != 0) return false;
  events_ = StartEvents::kOwnPids;
  return true;
}

bool LinuxProcessStartSource::SendListenRequest(std::uint32_t operation) {
  nlmsghdr header{};
  header.nlmsg_len = NLMSG_LENGTH(sizeof(cn_msg) + sizeof operation);
  header.nlmsg_type = NLMSG_DONE;
  cn_msg message{};
  message.id = {CN_IDX_PROC, CN_VAL_PROC};
  message.len = sizeof operation;
  alignas(nlmsghdr) char request[NLMSG_LENGTH(sizeof(cn_msg) + sizeof operation)] = {};
  std::memcpy(request, &header, sizeof header);
  std::memcpy(request + NLMSG_HDRLEN, &message, sizeof message);
  std::memcpy(request + NLMSG_HDRLEN + sizeof message, &operation, sizeof operation);
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  return sendto(socket_.Get(), request, sizeof request, 0,
                reinterpret_cast<const sockaddr*>(&kernel),
                sizeof kernel) == ssize_t(sizeof request);
}

bool LinuxProcessStartSource::ReadOne(ProcessStarts& batch) {
  sockaddr_nl sender{};
  socklen_t senderLength = sizeof sender;
  ssize_t length;
  do {
    length = recvfrom(socket_.Get(), buffer_, sizeof buffer_, 0,
                      reinterpret_cast<sockaddr*>(&sender), &senderLength);
  } while (length < 0 && errno == EINTR);
  if (length < 0) {
    // ENOBUFS: the queue overflowed and the kernel dropped what did not fit; reading goes on.
    if (errno != ENOBUFS) return false;
    batch.eventsLost = true;
    return true;
  }
  if (sender.nl_pid != 0) return true;  // only the kernel speaks for the connector
  auto* header = reinterpret_cast<nlmsghdr*>(buffer_);
  for (int left = int(length); NLMSG_OK(header, left); header = NLMSG_NEXT(header, left)) {
    if (header->nlmsg_len < NLMSG_LENGTH(sizeof(cn_msg) + kExecEnd)) continue;
    cn_msg message;
    std::memcpy(&message, NLMSG_DATA(header), sizeof message);
    if (message.id.idx != CN_IDX_PROC || message.id.val != CN_VAL_PROC) continue;
    // The event sits 4 bytes past an 8-byte boundary: copied out rather than read in place.
    proc_event event{};
    std::memcpy(&event, static_cast<const char*>(NLMSG_DATA(header)) + sizeof message, kExecEnd);
    if (event.what == proc_event::PROC_EVENT_NONE) {
      // Recent kernels number the reply with their own sequence, not the request's; a reply
      // carries the request's ack + 1, and it is queued before the request's send() returns.
      if (message.ack == 1) replyError_ = event.event_data.ack.err;
    } else if (event.what == proc_event::PROC_EVENT_EXEC &&
               event.event_data.exec.process_tgid > 0) {
      if (batch.starts.size() < kMaxStartsPerDrain)
        batch.starts.push_back(
            {Pid(event.event_data.exec.process_tgid), Pid(event.event_data.exec.process_pid)});
      else
        batch.eventsLost = true;
    }
  }
  return true;
}

ProcessStarts LinuxProcessStartSource::Drain() {
  ProcessStarts batch = std::exchange(early_, {});
  if (!socket_.Valid()) return batch;
  while (batch.starts.size() < kMaxStartsPerDrain && ReadOne(batch)) {
  }
  if (events_ == StartEvents::kForeignPids && !batch.starts.empty()) {
    // Starts anywhere on the machine arrive here; only a PID handed out in our namespace since
    // the previous hint can be a new process of ours, so a busy machine does not drive passes.
    const std::optional<long> lastPid = LastPidOfOwnNamespace();
    if (lastPid && lastPid == lastPidHinted_) batch.starts.clear();
    lastPidHinted_ = lastPid;
  }
  return batch;
}

}  // namespace mervale
