// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/linux/linux_platform.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/common/kernel_affinity.h"
#include "tests/common/listed_names.h"
#include "tests/store/linux/child_process.h"

extern char** environ;

namespace mervale {
namespace {

namespace fs = std::filesystem;
using testing::ThreadsOf;

// A child of this test that is killed and reaped when the object goes, unless Reap() did it.
class Child {
 public:
  // Runs the program with the given arguments (looked up in PATH).
  static Child Spawn(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    return Child(error == 0 ? pid : -1);
  }

  // A copy of this test program with the main thread and `extraThreads` more, all asleep.
  static Child WithThreads(int extraThreads) {
    return Asleep([extraThreads] {
      for (int i = 0; i < extraThreads; ++i)
        std::thread([] {
          for (;;) pause();
        }).detach();
      return true;
    });
  }

  // A copy of this test program, asleep, that belongs to `uid` alone.
  static Child AsUser(uid_t uid) {
    return Asleep([uid] { return testing::BecomeUser(uid); });
  }

  // A copy of this test program that sleeps once `prepare` succeeded in it; not running when it
  // did not.
  static Child Asleep(const std::function<bool()>& prepare) {
    int ready[2];
    if (pipe(ready) != 0) return Child(-1);
    const pid_t pid = fork();
    if (pid == 0) {
      close(ready[0]);
      const char byte = 1;
      if (!prepare() || write(ready[1], &byte, 1) != 1) _exit(1);
      for (;;) pause();
    }
    close(ready[1]);
    char byte = 0;
    const bool started = pid > 0 && read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    Child child(pid);
    if (!started) child.Reap();
    return child;
  }

  // A copy of this test program that runs `program` with `argument` once a byte is written to
  // `tell`; the caller closes `tell`.
  static Child ExecsWhenTold(int& tell, const char* program, const char* argument) {
    int go[2];
    if (pipe(go) != 0) return Child(-1);
    const pid_t pid = fork();
    if (pid == 0) {
      close(go[1]);
      char byte = 0;
      if (read(go[0], &byte, 1) == 1) execlp(program, program, argument, nullptr);
      _exit(1);
    }
    close(go[0]);
    tell = go[1];
    return Child(pid);
  }

  Child(Child&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}
  ~Child() { Reap(); }

  Pid pid() const { return Pid(pid_); }
  bool running() const { return pid_ > 0; }

  // Ends the child and collects it; its PID is then free.
  void Reap() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  // Ends the child but leaves it a zombie until the object goes.
  void KillWithoutReaping() {
    kill(pid_, SIGKILL);
    siginfo_t info{};
    waitid(P_PID, id_t(pid_), &info, WEXITED | WNOWAIT);
  }

 private:
  explicit Child(pid_t pid) : pid_(pid) {}
  pid_t pid_;
};

// The mask the scheduler holds for one thread, read without the platform under test.
AffinityMask SchedulerMask(pid_t tid) {
  return CpuSet::FromNumbers(testing::AffinityOf(tid));
}

std::string NameIn(const std::vector<std::pair<Pid, std::string>>& entries, Pid pid) {
  const auto found = std::ranges::find(entries, pid, &std::pair<Pid, std::string>::first);
  return found == entries.end() ? "(not listed)" : found->second;
}

class LinuxPlatformTest : public ::testing::Test {
 protected:
  // The CPUs this test may use: online and allowed to it (children inherit the latter).
  std::uint64_t UsableCpus() { return platform_.OnlineCpus().Word(0) & SchedulerMask(0).Word(0); }

  // The lowest CPU number below 32 that is not online, as a mask; 0 when all 32 are.
  std::uint64_t MissingCpu() {
    const std::uint64_t missing = ~platform_.OnlineCpus().Word(0);
    return missing & (~missing + 1);
  }

  LinuxProcessPlatform platform_;
};

TEST_F(LinuxPlatformTest, SetMaskMovesAChildAndGetMaskReadsItBack) {
  const std::uint64_t usable = UsableCpus();
  const std::uint64_t first = usable & (~usable + 1);
  const std::uint64_t second = (usable & ~first) & (~(usable & ~first) + 1);
  if (second == 0) GTEST_SKIP() << "needs two CPUs that this test may use";

  Child child = Child::Spawn({"sleep", "30"});
  ASSERT_TRUE(child.running());
  for (const std::uint64_t mask : {first, second, usable, first}) {
    SCOPED_TRACE(mask);
    EXPECT_EQ(platform_.SetMask(child.pid(), mask), 0u);
    EXPECT_EQ(SchedulerMask(pid_t(child.pid())), mask);
    EXPECT_EQ(platform_.GetMask(child.pid()), mask);
  }
}

// A process of one thread moves by its main thread alone, one of more by every thread.
class EveryThreadTest : public LinuxPlatformTest, public ::testing::WithParamInterface<int> {};

TEST_P(EveryThreadTest, SetMaskMovesEveryThread) {
  const std::uint64_t usable = UsableCpus();
  const std::uint64_t first = usable & (~usable + 1);
  const std::uint64_t rest = usable & ~first;
  if (rest == 0) GTEST_SKIP() << "needs two CPUs that this test may use";

  const int extraThreads = GetParam();
  Child child = Child::WithThreads(extraThreads);
  ASSERT_TRUE(child.running());
  ASSERT_EQ(ThreadsOf(child.pid()).size(), std::size_t(extraThreads + 1));
  for (const std::uint64_t mask : {rest, first}) {
    SCOPED_TRACE(mask);
    ASSERT_EQ(platform_.SetMask(child.pid(), mask), 0u);
    for (const pid_t thread : ThreadsOf(child.pid())) {
      EXPECT_EQ(SchedulerMask(thread), mask) << "thread " << thread;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ExtraThreads, EveryThreadTest, ::testing::Values(0, 1, 3));

TEST_F(LinuxPlatformTest, MasksNamingNoOrMissingCpusAreRefusedAndChangeNothing) {
  const std::uint64_t usable = UsableCpus();
  const std::uint64_t missing = MissingCpu();
  Child child = Child::Spawn({"sleep", "30"});
  ASSERT_TRUE(child.running());
  const AffinityMask before = SchedulerMask(pid_t(child.pid()));
  ASSERT_FALSE(before.Empty());

  struct Case {
    const char* what;
    std::uint64_t mask;
  };
  std::vector<Case> cases = {{"no CPU", 0}};
  if (missing != 0) {
    cases.push_back({"a missing CPU alone", missing});
    // The kernel would drop the missing CPU and take the rest; the platform must refuse.
    cases.push_back({"usable CPUs and a missing one", usable | missing});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(platform_.SetMask(child.pid(), c.mask), ErrorCode(EINVAL));
    EXPECT_EQ(SchedulerMask(pid_t(child.pid())), before);
    EXPECT_EQ(platform_.GetMask(child.pid()), before);
  }
}

TEST_F(LinuxPlatformTest, EndedChildrenReadZeroAndCannotBeSet) {
  struct Case {
    const char* what;
    bool readBeforeItEnds;
    bool reaped;
  };
  const Case cases[] = {
      {"reaped, never looked at", false, true},
      {"reaped after its mask was read", true, true},
      {"a zombie never looked at", false, false},
      {"a zombie whose mask was read while it ran", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LinuxProcessPlatform platform;
    Child child = Child::Spawn({"sleep", "30"});
    ASSERT_TRUE(child.running());
    const Pid pid = child.pid();
    if (c.readBeforeItEnds) {
      ASSERT_NE(platform.GetMask(pid), 0u);
    }
    if (c.reaped) {
      child.Reap();
    } else {
      child.KillWithoutReaping();
    }

    // A zombie seen running before may still show its last mask; it can never be set.
    if (c.reaped || !c.readBeforeItEnds) {
      EXPECT_EQ(platform.GetMask(pid), 0u);
    }
    EXPECT_NE(platform.SetMask(pid, 1), 0u);
  }
  EXPECT_EQ(platform_.GetMask(0), 0u);
  EXPECT_NE(platform_.SetMask(0, 1), 0u);
}

// Reading only: the test never sets anything on a process it did not start.
// The first kernel thread listed in /proc, told by the kernel's own flag; 0 when none is visible.
Pid FirstKernelThread() {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) continue;
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string state, parent, group, session, tty, terminalGroup;
    unsigned long flags = 0;
    fields >> state >> parent >> group >> session >> tty >> terminalGroup >> flags;
    constexpr unsigned long kKernelThreadFlag = 0x00200000;
    if (fields && (flags & kKernelThreadFlag) != 0) return Pid(std::stoul(entry.path().filename()));
  }
  return 0;
}

// Lists the processes and reads the mask of `pid`, as a pass does before it sets one; false when
// the listing does not hold the PID.
bool ListAndRead(ProcessPlatform& platform, Pid pid) {
  std::vector<Pid> pids;
  if (platform.ListPids(pids) != 0 || std::ranges::find(pids, pid) == pids.end()) return false;
  platform.GetMask(pid);
  return true;
}

// Should the refusal ever fail, the kernel thread is given the CPUs it has already, and nothing
// changes.
class KernelThreadTest : public LinuxPlatformTest {
 protected:
  void SetUp() override {
    kernelThread_ = FirstKernelThread();
    if (kernelThread_ == 0) GTEST_SKIP() << "no kernel thread is visible here";
    before_ = SchedulerMask(pid_t(kernelThread_));
    harmless_ = before_.Word(0) & platform_.OnlineCpus().Word(0);
    if (harmless_ == 0) GTEST_SKIP() << "the kernel thread runs on no CPU below 32";
  }

  Pid kernelThread_ = 0;
  AffinityMask before_;
  std::uint64_t harmless_ = 0;
};

TEST_F(KernelThreadTest, CannotBeOpened) {
  EXPECT_EQ(platform_.GetMask(kernelThread_), 0u);
  EXPECT_EQ(platform_.SetMask(kernelThread_, harmless_), ErrorCode(EACCES));
  EXPECT_EQ(SchedulerMask(pid_t(kernelThread_)), before_);
}

TEST_F(KernelThreadTest, LookedAtSinceTheListingIsStillNeverSet) {
  ASSERT_TRUE(ListAndRead(platform_, kernelThread_));
  EXPECT_EQ(platform_.SetMask(kernelThread_, harmless_), ErrorCode(EACCES));
  EXPECT_EQ(SchedulerMask(pid_t(kernelThread_)), before_);
}

TEST_F(LinuxPlatformTest, AChildIsSetRightAfterTheListingAndAfterLaterOnes) {
  const std::uint64_t usable = UsableCpus();
  const std::uint64_t first = usable & (~usable + 1);
  const std::uint64_t rest = usable & ~first;
  if (rest == 0) GTEST_SKIP() << "needs two CPUs that this test may use";
  Child child = Child::WithThreads(1);
  ASSERT_TRUE(child.running());

  ASSERT_TRUE(ListAndRead(platform_, child.pid()));
  EXPECT_EQ(platform_.SetMask(child.pid(), first), 0u);
  for (const pid_t thread : ThreadsOf(child.pid())) EXPECT_EQ(SchedulerMask(thread), first);

  // After another listing the platform looks at the process again before it sets.
  std::vector<Pid> pids;
  ASSERT_EQ(platform_.ListPids(pids), 0u);
  EXPECT_EQ(platform_.SetMask(child.pid(), rest), 0u);
  for (const pid_t thread : ThreadsOf(child.pid())) EXPECT_EQ(SchedulerMask(thread), rest);
}

// More entries than one read of a directory returns: every thread still moves, and every process
// is still listed.
TEST_F(LinuxPlatformTest, ListingsLongerThanOneReadAreComplete) {
  const std::uint64_t usable = UsableCpus();
  const std::uint64_t first = usable & (~usable + 1);
  if ((usable & ~first) == 0) GTEST_SKIP() << "needs two CPUs that this test may use";
  constexpr int kManyThreads = 2000;
  Child crowded = Child::WithThreads(kManyThreads);
  ASSERT_TRUE(crowded.running());
  ASSERT_EQ(ThreadsOf(crowded.pid()).size(), std::size_t(kManyThreads + 1));
  ASSERT_EQ(platform_.SetMask(crowded.pid(), first), 0u);
  const auto threads = ThreadsOf(crowded.pid());
  EXPECT_EQ(std::ranges::count_if(threads, [&](pid_t t) { return SchedulerMask(t) == first; }),
            std::ssize(threads));

  constexpr int kManyChildren = 1500;
  std::vector<Child> children;
  for (int i = 0; i < kManyChildren; ++i) {
    children.push_back(Child::WithThreads(0));
    ASSERT_TRUE(children.back().running());
  }
  const auto entries = ListedNames(platform_);
  EXPECT_GT(entries.size(), std::size_t(kManyChildren));
  EXPECT_EQ(std::ranges::count_if(
                children,
                [&](const Child& child) { return NameIn(entries, child.pid()) != "(not listed)"; }),
            kManyChildren);
}

TEST_F(LinuxPlatformTest, ListsChildrenAndThisProgramUnderTheirExecutableNames) {
  Child first = Child::Spawn({"sleep", "30"});
  Child second = Child::Spawn({"sleep", "31"});
  ASSERT_TRUE(first.running() && second.running());

  const auto entries = ListedNames(platform_);
  EXPECT_EQ(NameIn(entries, first.pid()), "sleep");
  EXPECT_EQ(NameIn(entries, second.pid()), "sleep");
  EXPECT_EQ(NameIn(entries, Pid(getpid())), fs::read_symlink("/proc/self/exe").filename().string());
  EXPECT_TRUE(std::ranges::is_sorted(entries));
}

// Names cost a readlink each, so one is read once per process and trusted until the next listing;
// a process that runs another program meanwhile gets its new name from the listing after.
TEST_F(LinuxPlatformTest, ANameIsKeptUntilTheNextListingShowsTheProgramItRunsNow) {
  int tell = -1;
  Child child = Child::ExecsWhenTold(tell, "sleep", "30");
  ASSERT_TRUE(child.running());
  const std::string ownName = fs::read_symlink("/proc/self/exe").filename().string();
  EXPECT_EQ(NameIn(ListedNames(platform_), child.pid()), ownName);

  const char byte = 1;
  ASSERT_EQ(write(tell, &byte, 1), 1);
  close(tell);
  const fs::path exe = "/proc/" + std::to_string(child.pid()) + "/exe";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  std::error_code error;
  while (fs::read_symlink(exe, error).filename() != "sleep") {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the child never ran sleep";
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  EXPECT_EQ(platform_.ProcessName(child.pid()), ownName);
  EXPECT_EQ(NameIn(ListedNames(platform_), child.pid()), "sleep");
}

TEST_F(LinuxPlatformTest, AnExecutableDeletedAfterItStartedKeepsItsName) {
  const fs::path directory =
      fs::temp_directory_path() / ("mervale-exe-" + std::to_string(getpid()));
  fs::create_directories(directory);
  const fs::path copy = directory / "napper";
  fs::copy_file("/bin/sleep", copy, fs::copy_options::overwrite_existing);
  Child child = Child::Spawn({copy.string(), "30"});
  fs::remove_all(directory);
  ASSERT_TRUE(child.running());

  EXPECT_EQ(NameIn(ListedNames(platform_), child.pid()), "napper");
}

// Whether known processes run another program is asked of every one after an unnamed start; one
// asleep since its latest look is not looked at again, so its file renamed meanwhile still shows
// the old name, while a look (a process doubt) sees the new one.
TEST_F(LinuxPlatformTest, AProcessAsleepSinceItsLookIsNotLookedAtForAnotherProgram) {
  const fs::path directory =
      fs::temp_directory_path() / ("mervale-nap-" + std::to_string(getpid()));
  fs::create_directories(directory);
  fs::copy_file("/bin/sleep", directory / "napper", fs::copy_options::overwrite_existing);
  Child child = Child::Spawn({(directory / "napper").string(), "30"});
  ASSERT_TRUE(child.running());
  // Asleep once its CPU time holds still.
  const auto cpuTime = [&child] {
    timespec time{};
    clock_gettime(clockid_t((~clockid_t(child.pid()) << 3) | 2), &time);
    return std::pair(time.tv_sec, time.tv_nsec);
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (auto ran = cpuTime(), before = decltype(ran){}; ran != before; ran = cpuTime()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the child never fell asleep";
    before = ran;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(NameIn(ListedNames(platform_), child.pid()), "napper");
  fs::rename(directory / "napper", directory / "renamed");

  EXPECT_TRUE(platform_.LookAgain(child.pid(), ProcessPlatform::Doubt::kProgram));
  EXPECT_EQ(platform_.ProcessName(child.pid()), "napper");
  EXPECT_TRUE(platform_.LookAgain(child.pid(), ProcessPlatform::Doubt::kProcess));
  EXPECT_EQ(platform_.ProcessName(child.pid()), "renamed");
  fs::remove_all(directory);
}

struct OtherUsersCase {
  const char* viewer;
  uid_t viewerUid;  // 0: stays root, with CAP_SYS_NICE
  bool mayMoveOthers;
};

class OtherUsersProcessTest : public ::testing::TestWithParam<OtherUsersCase> {};

// Another user's process reads as one that cannot be opened unless we may move it, and is then
// never set; our own stay readable either way.
TEST_P(OtherUsersProcessTest, CountsAsUnopenableUnlessWeMayMoveIt) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run processes as other users";
  Child other = Child::AsUser(testing::kOtherUser);
  ASSERT_TRUE(other.running());
  const AffinityMask before = SchedulerMask(pid_t(other.pid()));
  const auto seen = testing::RunInChild([&] {
    if (GetParam().viewerUid != 0 && !testing::BecomeUser(GetParam().viewerUid))
      return std::string("cannot become the viewer");
    LinuxProcessPlatform platform;
    std::vector<Pid> pids;
    platform.ListPids(pids);
    const bool seesOwn = !platform.GetMask(Pid(getpid())).Empty();
    const bool seesOther = !platform.GetMask(other.pid()).Empty();
    const ErrorCode setOther = platform.SetMask(other.pid(), before);
    return std::to_string(seesOwn) + " " + std::to_string(seesOther) + " " +
           std::to_string(setOther);
  });
  ASSERT_TRUE(seen.has_value());
  const std::string expected = GetParam().mayMoveOthers ? "1 1 0" : "1 0 " + std::to_string(EACCES);
  EXPECT_EQ(*seen, expected);
  EXPECT_EQ(SchedulerMask(pid_t(other.pid())), before);
}

INSTANTIATE_TEST_SUITE_P(Viewers, OtherUsersProcessTest,
                         ::testing::Values(OtherUsersCase{"root", 0, true},
                                           OtherUsersCase{"thirdUser", testing::kThirdUser, false}),
                         [](const auto& info) { return std::string(info.param.viewer); });

TEST(CpuSetMaskTest, ReadsEveryCpuOfASetOfAnySize) {
  const std::vector<std::vector<unsigned>> cases = {
      {0}, {0, 1, 2, 3}, {1, 4}, {31}, {32}, {0, 40}, {2, 31, 100}, {63, 64}, {1023}, {5, 4000},
  };
  for (const auto& numbers : cases) {
    const std::size_t count = 4096;
    cpu_set_t* cpus = CPU_ALLOC(count);
    const std::size_t size = CPU_ALLOC_SIZE(count);
    CPU_ZERO_S(size, cpus);
    for (const unsigned cpu : numbers) CPU_SET_S(cpu, size, cpus);
    EXPECT_EQ(CpuSetMask(cpus, size), CpuSet::FromNumbers(numbers))
        << ::testing::PrintToString(numbers);
    CPU_FREE(cpus);
  }
}

}  // namespace
}  // namespace mervale
