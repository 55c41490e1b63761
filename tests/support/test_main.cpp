// One main for every test program that needs Qt: it creates the QApplication and turns
// Qt's "No matching signal" warning (a handler wired to nothing) into a test failure.
#include <QApplication>
#include <QByteArray>

#include <gtest/gtest.h>

namespace {
QtMessageHandler previousHandler = nullptr;

void failOnWiringWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.contains(QStringLiteral("No matching signal")) ||
      message.contains(QStringLiteral("QObject::connect")))
    ADD_FAILURE() << "Qt wiring warning: " << message.toStdString();
  if (previousHandler) previousHandler(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  previousHandler = qInstallMessageHandler(failOnWiringWarnings);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
