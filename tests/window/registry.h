// The QTest classes of this executable register themselves here; main() runs them all.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace tavo::testing {

using TestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<TestFactory>& test_classes();

template <typename T>
struct RegisterTest {
  RegisterTest() {
    test_classes().push_back([] { return std::make_unique<T>(); });
  }
};

// Child-process scenarios: `window_tests --scenario NAME` runs one through console::window::run.
using Scenario = std::function<int(int& argc, char** argv)>;
void register_scenario(const char* name, Scenario scenario);

}  // namespace tavo::testing
