// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/platform/linux/unique_fd.h"
#include "engine/platform/process_start_source.h"

namespace mervale {

// Program starts from the kernel's process events connector (netlink, NETLINK_CONNECTOR /
// CN_IDX_PROC), which reports every exec on the machine as it happens.
//
// Subscribing needs CAP_NET_ADMIN. Without it, without the connector, or when the kernel does not
// confirm the subscription, Events() is kUnavailable and the socket is closed: nothing else to do
// but rely on the timer.
//
// The kernel reports PIDs as the initial PID namespace sees them and ignores subscriptions made
// from inside any other namespace. There Events() is kForeignPids: events arrive only while some
// process outside listens, and their PIDs do not name our processes, so they can only say that
// something started somewhere; Drain() passes them on only when a PID was handed out in this
// namespace since the previous batch it passed on.
//
// A socket filter lets only exec events and the kernel's replies through, so forks and exits of
// the whole machine never wake the reader.
class LinuxProcessStartSource : public ProcessStartSource {
 public:
  // Room for about a second of a storm of 1,000 starts a second while the reader is busy.
  static constexpr int kDefaultReceiveBuffer = 1 << 20;

  explicit LinuxProcessStartSource(int receiveBufferBytes = kDefaultReceiveBuffer);
  ~LinuxProcessStartSource() override;
  LinuxProcessStartSource(const LinuxProcessStartSource&) = delete;
  LinuxProcessStartSource& operator=(const LinuxProcessStartSource&) = delete;

  StartEvents Events() const override { return events_; }
  int Descriptor() const override { return socket_.Get(); }
  ProcessStarts Drain() override;

 private:
  bool Subscribe();
  // Reads one datagram, adding its starts to `batch`; false when nothing was waiting.
  bool ReadOne(ProcessStarts& batch);
  bool SendListenRequest(std::uint32_t operation);

  UniqueFd socket_;
  StartEvents events_ = StartEvents::kUnavailable;
  std::optional<std::uint32_t> replyError_;  // the kernel's answer to our subscription
  // Starts and losses read while waiting for the kernel's reply to the subscription.
  ProcessStarts early_;
  std::optional<long>
      lastPidHinted_;  // the namespace's latest PID at the latest kForeignPids batch
  alignas(8) char buffer_[1024];
};

// The best source of starts to be had here: the process events where they name our processes
// (root in the initial PID namespace), else fanotify's start hints (LinuxStartHints), else the
// process events of others as hints for a pass, else none: the refresh timer does the work.
std::unique_ptr<ProcessStartSource> OpenProcessStartSource();

// Whether PIDs as the initial PID namespace numbers them are the PIDs of this process's /proc:
// this process lives in that namespace and /proc is mounted from it.
bool ProcShowsInitialPidNamespace();

// The PID handed out last in this process's PID namespace; nullopt when it cannot be read.
std::optional<long> LastPidOfOwnNamespace();

}  // namespace mervale
