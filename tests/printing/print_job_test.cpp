#include "moxtrel/printing/print_job.h"

#include <gtest/gtest.h>

#include "moxtrel/printing/print_queue.h"
#include "printing/printing_fixture.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;
using testing::FailOn;

class PrintJobTest : public testing::PrintingTest {};

// A job that never received its directory object reads as empty and ignores puts silently.
TEST_F(PrintJobTest, WithoutDirectoryJobEverythingIsEmpty) {
  auto blank = moxPrintJob::Create();
  EXPECT_EQ(blank->Name(), u"");
  EXPECT_EQ(blank->HostPrintQueue(), u"");
  EXPECT_EQ(blank->Pages() + blank->Size(), 0);
  EXPECT_EQ(blank->TimeSubmitted(), Date{});
  blank->Description(u"x");
  blank->Priority(50);
  blank->StartTime(Date{1.0});
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
}

// Reads pass the directory's values through (the host queue loses only "WinNT://"); puts
// skip priorities outside 1..99, trim text, commit each write, and a failed write is not
// committed.
TEST_F(PrintJobTest, ReadsAndPutsGoToTheDirectory) {
  Submit(u"alice", 0, 3);
  auto queue = moxPrintQueue::Create();
  ASSERT_TRUE(queue->Find(u"LaserJet", u"PRINTSRV"));
  auto job = queue->PrintJobs()->Item(Variant(int32_t{1}));
  EXPECT_EQ(job->HostPrintQueue(), u"CORP/PRINTSRV/LaserJet");
  EXPECT_EQ(job->User(), u"alice");
  EXPECT_EQ(job->Pages(), 3);
  EXPECT_EQ(job->TimeSubmitted(), Date{45000.5});
  layer->Journal().Clear();
  job->Priority(0);
  job->Priority(100);
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
  job->Priority(1);
  job->Priority(99);
  job->Description(u"  quarterly report ");
  EXPECT_EQ(layer->Journal().Count(u"IADsPrintJob.Priority.put"), 2u);
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 3u) << layer->Journal().Dump();
  EXPECT_EQ(job->Description(), u"quarterly report");
  layer->Journal().Clear();
  FailOn(layer->Faults(), u"Description.put");
  EXPECT_EQ(ErrorCodeOf([&] { job->Description(u"x"); }), static_cast<int32_t>(errc::kFail));
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 0u);
}

}  // namespace
}  // namespace moxtrel
