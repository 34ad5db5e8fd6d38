#include "moxtrel/printing/print_queue.h"

#include <gtest/gtest.h>

#include "printing/printing_fixture.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;
using testing::FailOn;

class PrintQueueTest : public testing::PrintingTest {
 protected:
  std::shared_ptr<moxPrintQueue> queue = moxPrintQueue::Create();
};

// A new queue is unbound: empty reads, no jobs, puts ignored, and no provider call at all.
TEST_F(PrintQueueTest, NewQueueIsEmptyAndSilent) {
  EXPECT_FALSE(queue->Exists());
  EXPECT_EQ(queue->Name() + queue->Server() + queue->DataType() + queue->Path(), u"");
  EXPECT_EQ(queue->Priority() + queue->DefaultJobPriority(), 0);
  EXPECT_EQ(queue->StartTime(), Date{});
  EXPECT_EQ(queue->PrintJobs(), nullptr);
  queue->Description(u"x");
  queue->Priority(5);
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
}

// Find trims both names into the path and lists the jobs at once; a blank name keeps the
// old binding without a provider call; a missing queue or a failing first job listing
// unbinds.
TEST_F(PrintQueueTest, FindBindsOrLeavesUnbound) {
  Submit(u"alice", 0);
  ASSERT_TRUE(queue->Find(u"  LaserJet ", u" PRINTSRV  "));
  EXPECT_EQ(layer->Journal().Count(u"GetObject", u"WinNT://PRINTSRV/LaserJet,PrintQueue"), 1u)
      << layer->Journal().Dump();
  EXPECT_EQ(queue->Server(), u"PRINTSRV");
  EXPECT_EQ(queue->Location(), u"Hall");
  auto jobs = queue->PrintJobs();
  ASSERT_NE(jobs, nullptr);
  EXPECT_EQ(jobs->Count(), 1);

  layer->Journal().Clear();
  EXPECT_FALSE(queue->Find(u"   ", u" OTHER "));
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
  EXPECT_TRUE(queue->Exists());
  EXPECT_EQ(queue->PrintJobs(), jobs);
  EXPECT_EQ(queue->Server(), u"OTHER");

  EXPECT_FALSE(queue->Find(u" Nowhere ", u"PRINTSRV"));
  EXPECT_FALSE(queue->Exists());
  EXPECT_EQ(queue->PrintJobs(), nullptr);
  EXPECT_EQ(queue->Name(), u"Nowhere");
  FailOn(layer->Faults(), u"IADsCollection.NewEnum");
  EXPECT_FALSE(queue->Find(u"LaserJet", u"PRINTSRV"));
  EXPECT_EQ(queue->PrintJobs(), nullptr);
}

// Puts trim strings, pass numbers unchanged, skip priorities outside 1..99, commit each
// write, and a failed write is not committed.
TEST_F(PrintQueueTest, PutsWriteAndCommitAtOnce) {
  ASSERT_TRUE(queue->Find(u"LaserJet", u"PRINTSRV"));
  layer->Journal().Clear();
  queue->Priority(0);
  queue->Priority(100);
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
  queue->Priority(99);
  queue->Description(u"  Colour ");
  queue->DefaultJobPriority(-7);
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 3u) << layer->Journal().Dump();
  EXPECT_EQ(queue->Description(), u"Colour");
  EXPECT_EQ(queue->DefaultJobPriority(), -7);
  layer->Journal().Clear();
  FailOn(layer->Faults(), u"Model.put");
  EXPECT_EQ(ErrorCodeOf([&] { queue->Model(u"x"); }), static_cast<int32_t>(errc::kFail));
  EXPECT_EQ(layer->Journal().Count(u"IADs.SetInfo"), 0u);
}

// PrintDevices converts a single device to text; a list has no text form.
TEST_F(PrintQueueTest, PrintDevicesNeedsATextForm) {
  ASSERT_TRUE(queue->Find(u"LaserJet", u"PRINTSRV"));
  dir->Poke(laser, u"PrintDevices", Variant(u"LPT2:"));
  EXPECT_EQ(queue->PrintDevices(), u"LPT2:");
  dir->Poke(laser, u"PrintDevices", Variant::StringArray({u"LPT1:", u"LPT2:"}));
  EXPECT_EQ(ErrorCodeOf([&] { queue->PrintDevices(); }), static_cast<int32_t>(errc::kTypeMismatch));
}

}  // namespace
}  // namespace moxtrel
