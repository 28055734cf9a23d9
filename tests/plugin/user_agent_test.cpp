// NPP_New copies the browser's user agent into the process-wide g_uabuf.
#include <cstring>
#include <optional>
#include <string>

#include "clientinfo/useragent.h"
#include "plugin_fixture.h"

namespace {

const char* userAgentBuffer() { return g_uabuf; }

std::string bufferText() { return std::string(userAgentBuffer()); }

struct AgentCase {
  const char* name;
  size_t length;
  size_t kept;
};

const AgentCase kAgents[] = {
    {"Short", 10, 10},           {"Empty", 0, 0},
    {"Longest", 4095, 4095},     {"OneTooLong", 4096, 4095},
    {"FarTooLong", 10000, 4095},
};

class UserAgentTest : public PluginTest, public ::testing::WithParamInterface<AgentCase> {};

TEST_P(UserAgentTest, KeepsAtMost4095Characters) {
  ASSERT_NE(nullptr, userAgentBuffer());
  std::string agent;
  for (size_t i = 0; i < GetParam().length; ++i) agent.push_back(static_cast<char>('a' + i % 26));
  // A longer text first, so the buffer must be cleared, not just overwritten.
  browser.setUserAgent(std::string(5000, 'Z'));
  { host::Instance first; }
  browser.setUserAgent(agent);
  host::Instance control;
  EXPECT_EQ(agent.substr(0, GetParam().kept), bufferText());
  // All 4096 bytes are zero beyond the text; the last is always zero.
  const char* buf = userAgentBuffer();
  for (size_t i = GetParam().kept; i < 4096; ++i) ASSERT_EQ('\0', buf[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(Lengths, UserAgentTest, ::testing::ValuesIn(kAgents),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(PluginTest, WithoutAUserAgentTheBufferKeepsWhatItHeld) {
  browser.setUserAgent(std::string("Earlier/1.0"));
  { host::Instance first; }
  ASSERT_EQ("Earlier/1.0", bufferText());

  browser.setUserAgent(std::nullopt);  // the function answers null
  { host::Instance second; }
  EXPECT_EQ("Earlier/1.0", bufferText());

  browser.table().uagent = nullptr;  // the browser offers no such function
  { host::Instance third; }
  EXPECT_EQ("Earlier/1.0", bufferText());
}

TEST_F(PluginTest, EveryNewControlRewritesTheBufferWhateverItsBranch) {
  browser.setCapabilities(host::Answer::kFalse, host::Answer::kFalse, host::Answer::kFalse,
                          host::Answer::kFalse);
  browser.setUserAgent(std::string("Refused/2.0"));
  host::Instance refused;
  EXPECT_EQ(NPERR_INCOMPATIBLE_VERSION_ERROR, refused.newResult());
  EXPECT_EQ("Refused/2.0", bufferText());
}

}  // namespace
