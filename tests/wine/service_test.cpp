// The status service under Wine: start-up, single instance, the pipe and its bad clients.
#include <gtest/gtest.h>

#include "harness.h"

using namespace harness;

namespace {

TEST(ServiceStartup, SecondInstanceEndsAtOnceAndFirstKeepsServing)
{
    TempDir dir;
    Service service(dir);
    ASSERT_TRUE(service.start());

    TempDir other;
    const std::wstring second = other.copyProgram(L"tkPTSer.exe");
    EXPECT_EQ(0, runToEnd(second, L"", 10000));

    EXPECT_TRUE(service.process().running());
    EXPECT_TRUE(service.stop());
}

} // namespace
