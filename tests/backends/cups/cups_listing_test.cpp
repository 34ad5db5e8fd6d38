// What a listing of a queue's jobs asks the server for, and what a job read afterwards costs: a
// first listing brings what a walk reads (name, user, title, status) in one request; the
// submission time, pages, size and priority are read on first use, one job at a time for the
// first few and then for the whole list at once, and never twice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "moxtrel/backends/cups/cups_provider.h"
#include "moxtrel/directory/ads.h"
#include "moxtrel/frame/automation_error.h"
#include "moxtrel/frame/error_codes.h"
#include "moxtrel/frame/text.h"
#include "support/cupsd_server.h"

namespace moxtrel::testing {
namespace {

class CupsListing : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!cups_.Available()) GTEST_SKIP() << cups_.Why();
    cups_.AddQueue("LaserJet");  // stopped: the jobs stay queued
    backends::cups::CupsOptions o;
    o.server = cups_.Server();
    o.computer = u"PC1";
    o.user = "root";
    provider_ = backends::cups::MakeCupsProvider(o);
    queue_ = directory::As<directory::IADsPrintQueueOperations>(
        provider_->GetObject(u"WinNT://PC1/LaserJet,PrintQueue"));
  }
  long Requests() const { return backends::cups::RequestsSent(provider_); }
  std::vector<std::shared_ptr<directory::IADs>> Walk() {
    std::vector<std::shared_ptr<directory::IADs>> jobs;
    auto e = queue_->PrintJobs()->NewEnum();
    while (auto job = e->Next()) jobs.push_back(job);
    return jobs;
  }

  CupsdServer cups_;
  std::shared_ptr<directory::DirectoryProvider> provider_;
  std::shared_ptr<directory::IADsPrintQueueOperations> queue_;
};

TEST_F(CupsListing, ReadsBeyondTheListingCostAFewRequestsOnce) {
  constexpr int kJobs = 12;
  std::vector<int> ids;
  for (int i = 0; i < kJobs; ++i) {
    ids.push_back(cups_.Submit("LaserJet", i % 2 ? "alice" : "bob", "doc " + std::to_string(i),
                               2048 * (i + 1)));
  }
  long before = Requests();
  auto jobs = Walk();
  ASSERT_EQ(jobs.size(), static_cast<size_t>(kJobs));
  for (int i = 0; i < kJobs; ++i) {
    const auto& job = jobs[i];
    EXPECT_EQ(job->Name(), FromUtf8(std::to_string(ids[i])));
    EXPECT_EQ(job->Get(u"User").ToString(), i % 2 ? u"alice" : u"bob");
    EXPECT_EQ(job->Get(u"Description").ToString(), u"doc " + FromUtf8(std::to_string(i)));
    EXPECT_EQ(job->Get(u"HostPrintQueue").ToString(), u"WinNT://PC1/LaserJet");
    EXPECT_EQ(directory::As<directory::IADsPrintJobOperations>(job)->Status(), 0);  // pending
    EXPECT_EQ(job->Get(u"Notify").ToString(), u"");
  }
  EXPECT_EQ(Requests() - before, 1);  // one Get-Jobs

  // Eight jobs are read whole one by one; the ninth read fills the rest in one listing.
  before = Requests();
  for (int i = 0; i < kJobs; ++i) {
    EXPECT_GE(jobs[i]->Get(u"Size").ToLong(), 2048 * (i + 1)) << i;
    EXPECT_GT(jobs[i]->Get(u"TimeSubmitted").ToDouble(), 0.0) << i;
    EXPECT_EQ(jobs[i]->Get(u"Priority").ToLong(), 50) << i;
  }
  EXPECT_EQ(Requests() - before, 9);
  before = Requests();
  for (const auto& job : Walk()) EXPECT_GE(job->Get(u"Size").ToLong(), 2048);
  EXPECT_EQ(Requests() - before, 2);  // watched: subscribes, and lists with every attribute
}

TEST_F(CupsListing, AJobThatFinishedSinceItWasListedStillReads) {
  const int id = cups_.Submit("LaserJet", "carol", "minutes", 4096);
  auto jobs = Walk();
  ASSERT_EQ(jobs.size(), 1u);
  cups_.Cancel(id);
  EXPECT_GE(jobs[0]->Get(u"Size").ToLong(), 4096);
  EXPECT_EQ(jobs[0]->Get(u"User").ToString(), u"carol");
  // Read again, the job shows that it was cancelled.
  EXPECT_NE(directory::As<directory::IADsPrintJobOperations>(jobs[0])->Status() & 0x100, 0);
  EXPECT_TRUE(Walk().empty());

  // A job bound by its path is read whole at once.
  const int other = cups_.Submit("LaserJet", "dave", "agenda", 1024);
  auto bound = provider_->GetObject(u"WinNT://PC1/LaserJet/" + FromUtf8(std::to_string(other)));
  const long before = Requests();
  EXPECT_GE(bound->Get(u"Size").ToLong(), 1024);
  EXPECT_EQ(Requests(), before);
  try {
    bound->Get(u"NoSuchProperty");
    FAIL() << "an unknown property was read";
  } catch (const AutomationError& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.code()), errc::kPropertyNotFound);
  }
}

}  // namespace
}  // namespace moxtrel::testing
