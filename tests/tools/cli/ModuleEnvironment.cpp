// Every command of this test program finds the module built beside it: a
// TRC-to-GWM conversion runs through the module.
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

class ModuleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ::setenv("TOVFILEIO_MODULE", TOV_MODULE_PATH, 1); }
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new ModuleEnvironment);

}  // namespace
