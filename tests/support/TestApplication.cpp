#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

class ApplicationEnvironment : public ::testing::Environment {
public:
    QApplication& App() {
        if (!m_app)
            m_app = std::make_unique<QApplication>(m_argc, m_argv);
        return *m_app;
    }
    void SetUp() override { App(); }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[14] = "vocalith_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

// gtest owns and deletes the environment.
ApplicationEnvironment* const g_environment = static_cast<ApplicationEnvironment*>(
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment));

} // namespace

QApplication& TestApplication() {
    return g_environment->App();
}
