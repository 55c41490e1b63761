// The main of the engine's tests: a QCoreApplication, no windows. Like the windows' test main
// it turns Qt's connect warnings (a handler wired to nothing) into failures.
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {
QtMessageHandler previousHandler = nullptr;

void failOnWiringWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QStringLiteral("QObject::connect")))
    ADD_FAILURE() << "Qt wiring warning: " << message.toStdString();
  if (previousHandler) previousHandler(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  previousHandler = qInstallMessageHandler(failOnWiringWarnings);
  QCoreApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
