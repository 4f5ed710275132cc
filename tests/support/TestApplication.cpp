#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

class ApplicationEnvironment : public ::testing::Environment {
public:
    QApplication& app() {
        if (!app_)
            app_ = std::make_unique<QApplication>(argc_, argv_);
        return *app_;
    }
    void SetUp() override { app(); }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[14] = "vocalith_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

// gtest owns and deletes the environment.
ApplicationEnvironment* const g_environment = static_cast<ApplicationEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment));

} // namespace

QApplication& TestApplication() {
    return g_environment->app();
}
