#include "engine/process_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/platform/fake/fake_platform.h"

namespace mervale {
namespace {

using Fake = FakeProcessPlatform;

class ProcessAccessTest : public ::testing::Test {
 protected:
  ProcessAccessTest() {
    fake_.AddProcess(4, "System", 3);
    fake_.AddProcess(612, "explorer.exe", 3, 4);
    fake_.AddProcess(1480, "notepad.exe", 1);
  }

  // Every handle the operations opened was closed again.
  void ExpectHandlesBalanced() const {
    EXPECT_EQ(fake_.OpenSnapshotCount(), 0u);
    EXPECT_EQ(fake_.OpenProcessCount(), 0u);
  }

  Fake fake_{2, 4000};
};

TEST_F(ProcessAccessTest, SetAffinityChangesEveryThreadOnlyForMasksTheMachineHas) {
  struct Case {
    const char* what;
    AffinityMask mask;
    bool set;
  };
  const Case cases[] = {
      {"CPU 1", 1, true},
      {"CPU 2", 2, true},
      {"both CPUs", 3, true},
      {"no CPU", 0, false},
      {"CPU 3 alone, which the machine lacks", 4, false},
      {"CPU 1 together with a missing CPU 4", 9, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake_.SetMaskFromOutside(612, 3);
    fake_.ResetCalls();
    EXPECT_EQ(SetAffinity(fake_, 612, c.mask), c.set);
    const AffinityMask expected = c.set ? c.mask : 3;
    EXPECT_EQ(fake_.MaskOf(612), expected);
    EXPECT_EQ(fake_.ThreadMasksOf(612), std::vector<AffinityMask>(4, expected));
    EXPECT_EQ(fake_.calls().setLog, (std::vector<Fake::SetAttempt>{{612, c.mask, c.set}}));
    EXPECT_EQ(fake_.calls().processesClosed, 1);
    ExpectHandlesBalanced();
  }
}

TEST_F(ProcessAccessTest, ProcessesThatCannotBeOpenedReadZeroAndKeepTheirMask) {
  fake_.RefuseOpen(1480, ProcessAccess::kQueryInformation);
  fake_.RefuseOpen(1480, ProcessAccess::kSetInformation);
  fake_.RefuseSet(4);
  struct Case {
    const char* what;
    Pid pid;
  };
  const Case cases[] = {
      {"the idle pseudo-process", 0},
      {"a process that has ended", 7777},
      {"a process refusing both kinds of access", 1480},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake_.ResetCalls();
    EXPECT_EQ(GetAffinity(fake_, c.pid), 0u);
    EXPECT_FALSE(SetAffinity(fake_, c.pid, 2));
    EXPECT_TRUE(fake_.calls().setLog.empty());
    EXPECT_EQ(fake_.calls().processesClosed, 0);
    ExpectHandlesBalanced();
  }
  EXPECT_EQ(fake_.MaskOf(1480), 1u);

  // Opened for setting, but the mask is refused: the handle is still closed.
  fake_.ResetCalls();
  EXPECT_FALSE(SetAffinity(fake_, 4, 1));
  EXPECT_EQ(fake_.MaskOf(4), 3u);
  EXPECT_EQ(fake_.calls().processesClosed, 1);
  ExpectHandlesBalanced();
}

TEST_F(ProcessAccessTest, GetAffinityReadsTheCurrentMaskThroughAQueryHandle) {
  fake_.SetMaskFromOutside(1480, 2);
  fake_.ResetCalls();
  EXPECT_EQ(GetAffinity(fake_, 1480), 2u);
  EXPECT_EQ(fake_.calls().queryOpens, 1);
  EXPECT_EQ(fake_.calls().setOpens, 0);
  EXPECT_EQ(fake_.calls().processesClosed, 1);

  // Readable for setting only is not readable.
  fake_.RefuseOpen(612, ProcessAccess::kQueryInformation);
  EXPECT_EQ(GetAffinity(fake_, 612), 0u);
  EXPECT_TRUE(SetAffinity(fake_, 612, 1));
  ExpectHandlesBalanced();
}

TEST_F(ProcessAccessTest, ProcessNameOfFindsTheEntryOrLeavesTheNameEmpty) {
  const std::string longName = std::string(256, 'n') + ".exe";
  ASSERT_EQ(longName.size(), 260u);
  fake_.AddProcess(2210, longName, 1);
  struct Case {
    const char* what;
    Pid pid;
    std::string name;
  };
  const Case cases[] = {
      {"the first entry", 4, "System"},
      {"the last entry", 2210, longName},
      {"an entry in between", 1480, "notepad.exe"},
      {"a PID that is not running", 9999, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake_.ResetCalls();
    std::string name = "left over";
    EXPECT_EQ(ProcessNameOf(fake_, c.pid, name), 0u);
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(fake_.calls().snapshotsCreated, 1);
    EXPECT_EQ(fake_.calls().snapshotsClosed, 1);
    EXPECT_EQ(fake_.calls().namesRead, c.name.empty() ? 0 : 1);
    ExpectHandlesBalanced();
  }
}

TEST_F(ProcessAccessTest, ProcessNameOfNamesTheProgramItselfWithoutASnapshot) {
  fake_.AddProcess(4000, "mervale", 1);
  fake_.FailSnapshots(31);
  std::string name;
  EXPECT_EQ(ProcessNameOf(fake_, 4000, name), 0u);
  EXPECT_EQ(name, "Mervale");
  EXPECT_EQ(fake_.calls().snapshotsCreated, 0);
  EXPECT_EQ(fake_.calls().entriesWalked, 0);
}

TEST_F(ProcessAccessTest, SnapshotFailuresGiveThePlatformErrorAndCloseWhatWasOpened) {
  struct Case {
    const char* what;
    bool snapshotFails;
    ErrorCode code;
    int closes;
  };
  const Case cases[] = {
      {"the snapshot cannot be created", true, 8, 0},
      {"the first entry cannot be taken", false, 24, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fake fake;
    fake.AddProcess(10, "a.exe", 1);
    if (c.snapshotFails)
      fake.FailSnapshots(c.code);
    else
      fake.FailFirstEntry(c.code);

    std::string name = "left over";
    EXPECT_EQ(ProcessNameOf(fake, 10, name), c.code);
    EXPECT_EQ(name, "");

    std::vector<Pid> list = {77, 78};
    EXPECT_EQ(SnapshotPids(fake, list), c.code);
    // The list is only left alone when no snapshot could be taken at all.
    if (c.snapshotFails) {
      EXPECT_EQ(list, (std::vector<Pid>{77, 78}));
    }

    EXPECT_EQ(fake.calls().snapshotsCreated, 2);
    EXPECT_EQ(fake.calls().snapshotsClosed, 2 * c.closes);
    EXPECT_EQ(fake.OpenSnapshotCount(), 0u);
    EXPECT_EQ(fake.calls().namesRead, 0);
  }
}

TEST_F(ProcessAccessTest, SnapshotPidsListsEveryProcessInSnapshotOrder) {
  fake_.AddProcess(3, "late.exe", 1);
  fake_.RemoveProcess(612);
  std::vector<Pid> list = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(SnapshotPids(fake_, list), 0u);
  EXPECT_EQ(list, fake_.Pids());
  EXPECT_EQ(list, (std::vector<Pid>{4, 1480, 3}));
  EXPECT_EQ(fake_.calls().namesRead, 0);
  ExpectHandlesBalanced();

  Fake single;
  single.AddProcess(0, "[System Process]", 0);
  EXPECT_EQ(SnapshotPids(single, list), 0u);
  EXPECT_EQ(list, (std::vector<Pid>{0}));
}

TEST_F(ProcessAccessTest, ASnapshotIsFrozenWhenTaken) {
  const SnapshotHandle snapshot = fake_.CreateSnapshot();
  fake_.RemoveProcess(612);
  fake_.AddProcess(5000, "new.exe", 1);
  std::vector<Pid> walked;
  Pid pid = 0;
  for (bool more = fake_.FirstEntry(snapshot, pid); more; more = fake_.NextEntry(snapshot, pid)) {
    walked.push_back(pid);
  }
  fake_.CloseSnapshot(snapshot);
  EXPECT_EQ(walked, (std::vector<Pid>{4, 612, 1480}));
  EXPECT_EQ(fake_.LastError(), Fake::kNoMoreFiles);
}

}  // namespace
}  // namespace mervale
