// A window that records every key press it receives, for the keystroke tests on a private X
// display.
//
//   tarnwick_key_recorder <output file>
//
// It shows one line edit and asks for the keyboard focus, as a freshly started program gets it
// from a window manager. It appends one line per event to the output file, written at once:
//   ready                  the window has the keyboard focus
//   key <keys> "<text>"    a key press: Qt's portable name of the key with its modifiers
//                          ("Shift+X", "Ctrl+A", "Return") and the text it types, with control
//                          characters written as \xNN
//   modifier <name>        a press of a modifier key alone ("Shift", "Ctrl")

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>

namespace {

class Recorder final : public QObject
{
public:
    explicit Recorder(const QString& path)
        : m_file(path)
    {
        m_opened = m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    }

    bool Opened() const { return m_opened; }

    void Write(const QString& line)
    {
        m_file.write((line + QLatin1Char('\n')).toUtf8());
        m_file.flush();
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_AltGr:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
            Write(QStringLiteral("modifier ") + QKeySequence(key->key()).toString(QKeySequence::PortableText));
            break;
        default:
            Write(QStringLiteral("key ") + QKeySequence(key->keyCombination()).toString(QKeySequence::PortableText)
                + QStringLiteral(" \"") + Escaped(key->text()) + QLatin1Char('"'));
            break;
        }
        return true; // keeps Tab from moving the focus away
    }

private:
    static QString Escaped(const QString& text)
    {
        QString escaped;
        for (const QChar c : text) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QLatin1Char('"') || c == QLatin1Char('\\'))
                escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                escaped += c;
        }
        return escaped;
    }

    QFile m_file;
    bool m_opened = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    Recorder recorder(QString::fromLocal8Bit(argv[1]));
    if (!recorder.Opened())
        return 3;

    QLineEdit edit;
    edit.setWindowTitle(QStringLiteral("Key recorder"));
    edit.resize(400, 40);
    edit.installEventFilter(&recorder);
    bool ready = false;
    QObject::connect(&app, &QApplication::focusChanged, &recorder, [&](QWidget*, QWidget* now) {
        if (now == &edit && !ready) {
            ready = true;
            recorder.Write(QStringLiteral("ready"));
        }
    });
    edit.show();
    edit.activateWindow();
    return app.exec();
}
