#include "moxtrel/printing/print_queues.h"

#include <gtest/gtest.h>

#include "moxtrel/servers/server.h"
#include "printing/printing_fixture.h"

namespace moxtrel {
namespace {

using testing::ErrorCodeOf;
using testing::FailOn;

class PrintQueuesTest : public testing::PrintingTest {
 protected:
  void SetUp() override {
    build.AddPrintQueue(srv, u"Plotter");
    auto server = moxServer::Create();
    server->Name(u"PRINTSRV");
    queues = server->PrintQueues();
    ASSERT_NE(queues, nullptr);
    layer->Journal().Clear();
  }
  std::shared_ptr<moxPrintQueues> queues;
};

// The first read lists the computer once; members are keyed by the directory's queue name
// and report the queue's parent path as their server; an unbindable queue is left out.
TEST_F(PrintQueuesTest, ListsOnceAndKeysByName) {
  EXPECT_EQ(queues->Count(), 2);
  EXPECT_EQ(queues->Count(), 2);
  EXPECT_EQ(layer->Journal().Count(u"GetObject", u"WinNT://PRINTSRV,computer"), 1u)
      << layer->Journal().Dump();
  auto laser_queue = queues->Item(Variant(u"LASERJET"));
  EXPECT_EQ(laser_queue->Name(), u"LaserJet");
  EXPECT_EQ(laser_queue->Server(), u"CORP/PRINTSRV");
  EXPECT_NE(laser_queue->PrintJobs(), nullptr);
  EXPECT_EQ(queues->Item(Variant(int32_t{2}))->Name(), u"Plotter");
  FailOn(layer->Faults(), u"GetObject", u"*LaserJet,PrintQueue");
  EXPECT_TRUE(queues->Refresh());
  EXPECT_EQ(queues->Count(), 1);
}

// A failing listing reaches the caller and the next read tries again; an unnamed
// collection has no list until refreshed, and its Refresh calls nobody.
TEST_F(PrintQueuesTest, FailedOrUnnamedListing) {
  FailOn(layer->Faults(), u"IADsEnum.Next");
  EXPECT_NE(ErrorCodeOf([&] { queues->Count(); }), 0);
  EXPECT_EQ(queues->Count(), 2);
  layer->Journal().Clear();
  auto loose = moxPrintQueues::Create();
  EXPECT_EQ(ErrorCodeOf([&] { loose->Count(); }), static_cast<int32_t>(errc::kObjectRequired));
  EXPECT_FALSE(loose->Remove(Variant(int32_t{1})));
  EXPECT_FALSE(loose->Refresh());
  EXPECT_EQ(loose->Count(), 0);
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
}

// Remove deletes at once but the list keeps the queue until Refresh; a bad index or a
// failing delete is False.
TEST_F(PrintQueuesTest, RemoveDeletesButKeepsTheListUntilRefresh) {
  EXPECT_EQ(queues->Count(), 2);
  layer->Journal().Clear();
  EXPECT_FALSE(queues->Remove(Variant(int32_t{3})));
  EXPECT_FALSE(queues->Remove(Variant(u"Nope")));
  EXPECT_EQ(layer->Journal().Size(), 0u) << layer->Journal().Dump();
  EXPECT_TRUE(queues->Remove(Variant(u"plotter")));
  EXPECT_FALSE(dir->Contains(u"WinNT://CORP/PRINTSRV/Plotter,PrintQueue"));
  EXPECT_EQ(queues->Count(), 2);
  EXPECT_TRUE(queues->Refresh());
  EXPECT_EQ(queues->Count(), 1);
  FailOn(layer->Faults(), u"Delete");
  EXPECT_FALSE(queues->Remove(Variant(int32_t{1})));
}

}  // namespace
}  // namespace moxtrel
