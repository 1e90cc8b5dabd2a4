// Runs every registered QTest class, or one child-process scenario.
#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <map>
#include <string>

#include "registry.h"

namespace tavo::testing {

std::vector<TestFactory>& test_classes() {
  static std::vector<TestFactory> classes;
  return classes;
}

namespace {
std::map<std::string, Scenario>& scenarios() {
  static std::map<std::string, Scenario> map;
  return map;
}
}  // namespace

void register_scenario(const char* name, Scenario scenario) {
  scenarios()[name] = std::move(scenario);
}

}  // namespace tavo::testing

int main(int argc, char** argv) {
  using namespace tavo::testing;
  if (argc >= 3 && std::strcmp(argv[1], "--scenario") == 0) {
    auto it = scenarios().find(argv[2]);
    if (it == scenarios().end()) return 120;
    return it->second(argc, argv);
  }
  // The toolkit's own settings (the file dialogs' last folder among them) go to a folder of this
  // run, not the user's: no run depends on, or leaves anything for, another.
  QTemporaryDir settings;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
  QApplication app(argc, argv);
  int failures = 0;
  // TAVO_TEST_CLASS=Name runs that class alone.
  const QByteArray only = qgetenv("TAVO_TEST_CLASS");
  for (const TestFactory& make : test_classes()) {
    std::unique_ptr<QObject> test = make();
    if (!only.isEmpty() && only != test->metaObject()->className()) continue;
    failures += QTest::qExec(test.get(), argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
