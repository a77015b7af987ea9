// A text field in a process of its own, for the paste tests: prints
// "ready <window id>" once shown, "key <modifiers> <key>" for every key press
// and "text <percent-encoded text>" whenever its text changes. Its WM_CLASS
// instance name follows RESOURCE_NAME, so it can pose as a terminal.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>

namespace {

void say(const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class KeyReporter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            say("key " + QByteArray::number(key->modifiers().toInt()) + ' ' +
                QByteArray::number(key->key()));
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("Paste target"));
    field.resize(400, 40);
    KeyReporter reporter;
    field.installEventFilter(&reporter);
    QObject::connect(&field, &QLineEdit::textChanged,
                     [](const QString& text) { say("text " + text.toUtf8().toPercentEncoding()); });
    field.show();
    field.activateWindow();
    QTimer::singleShot(0, [&] { say("ready " + QByteArray::number(field.winId())); });
    return app.exec();
}
