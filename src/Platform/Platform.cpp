#include "Platform/Platform.h"

// Qt
#include <QAbstractEventDispatcher>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLocale>
#include <QMessageBox>
#include <QTextCodec>
#include <QThread>
#include <QTimer>
// std
#include <utility>

namespace Platform {

namespace {

class TRealClock final : public TClock {
public:
    TRealClock() { Started.start(); }
    // The low 32 bits of the count, as the system's counter keeps them.
    int32_t Tick() override
    {
        return static_cast<int32_t>(static_cast<uint32_t>(Started.elapsed() & 0xFFFFFFFF));
    }
    void Sleep(int ms) override { QThread::msleep(static_cast<unsigned long>(ms)); }

private:
    QElapsedTimer Started;
};

TRealClock& RealClock()
{
    static TRealClock clock;
    return clock;
}
// Started with the program, so that ticks count from process start.
[[maybe_unused]] const bool ClockStartedAtLoad = (RealClock(), true);

TClock* CurrentClock = nullptr;
TClock& Clock()
{
    return CurrentClock ? *CurrentClock : RealClock();
}

bool TerminateFlag = false;
TMessageHook MessageHook;

QTextCodec* CodePage()
{
    // Windows' Japanese code page. Qt answers "Windows-31J" with its ICU
    // converter for IBM-943 (aliases cp932, windows-31j), which maps as
    // Windows does: NEC and IBM extensions, 0x81 0x60 as U+FF5E.
    static QTextCodec* codec = [] {
        for (const char* name : {"Windows-31J", "Shift_JIS"})
            if (QTextCodec* c = QTextCodec::codecForName(name))
                return c;
        throw std::runtime_error("Shift_JIS text codec is not available");
    }();
    return codec;
}

// Input methods on Linux type these characters as the JIS tables map them;
// the Windows code page has look-alikes of its own in their places, which a
// player on Windows types and which Windows writes. Names take the Windows
// ones, so that they are stored and counted as Windows stores them.
QString AsWindowsTypesIt(QString text)
{
    static constexpr std::pair<char16_t, char16_t> LookAlikes[] = {
        {u'\u301C', u'\uFF5E'}, // wave dash: fullwidth tilde
        {u'\u2212', u'\uFF0D'}, // minus sign: fullwidth hyphen-minus
        {u'\u2016', u'\u2225'}, // double vertical line: parallel to
        {u'\u00A2', u'\uFFE0'}, // cent sign: fullwidth cent sign
        {u'\u00A3', u'\uFFE1'}, // pound sign: fullwidth pound sign
        {u'\u00AC', u'\uFFE2'}, // not sign: fullwidth not sign
        {u'\u2014', u'\u2015'}, // em dash: horizontal bar
    };
    for (QChar& c : text)
        for (const auto& [typed, windows] : LookAlikes)
            if (c == QChar(typed))
                c = QChar(windows);
    return text;
}

} // namespace

QTime TClock::UtcTimeOfDay()
{
    return QDateTime::currentDateTimeUtc().time();
}

void SetClock(TClock* clock)
{
    CurrentClock = clock;
}
int32_t TickCount()
{
    return Clock().Tick();
}
void Sleep(int ms)
{
    Clock().Sleep(ms);
}
QTime UtcTimeOfDay()
{
    return Clock().UtcTimeOfDay();
}

void ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitUntil(const std::function<bool()>& done, const std::function<int()>& wakeInMs)
{
    QTimer wake;
    wake.setSingleShot(true);
    while (!done()) {
        if (wakeInMs)
            wake.start(std::max(0, wakeInMs()));
        // Blocks until at least one event has been handled; every handled
        // event may have changed the condition, so it is tested again.
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void Terminate()
{
    TerminateFlag = true;
    // Queued, so that a request made before the loop runs is not lost. exit()
    // rather than quit(): quit() would close every window at once, and a
    // ranking window that is waiting for a name must stay until the player
    // closes it.
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

bool TerminateRequested()
{
    return TerminateFlag;
}

void ClearTerminateRequest()
{
    TerminateFlag = false;
}

void ShowMessage(const QString& text, TMsgIcon icon)
{
    if (MessageHook) {
        MessageHook(AppTitle, text, icon);
        return;
    }
    QMessageBox box(icon == TMsgIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon, AppTitle,
                    text, QMessageBox::Ok);
    box.exec();
}

void SetMessageHook(TMessageHook hook)
{
    MessageHook = std::move(hook);
}

void HandleException(const std::exception& e)
{
    ShowMessage(QString::fromUtf8(e.what()), TMsgIcon::Error);
}

void Guarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        HandleException(e);
    }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(AppTitle);
    setApplicationDisplayName(AppTitle);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        HandleException(e);
    }
    return false;
}

QByteArray ToCodePage(const QString& text)
{
    return CodePage()->fromUnicode(AsWindowsTypesIt(text));
}

QString FromCodePage(const QByteArray& bytes)
{
    // Invalid sequences become replacement characters; never an error.
    return CodePage()->toUnicode(bytes);
}

bool CodePageCanEncode(const QString& text)
{
    return CodePage()->canEncode(AsWindowsTypesIt(text));
}

QString ExeDir()
{
    QString dir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    if (!dir.endsWith(QDir::separator()))
        dir += QDir::separator();
    return dir;
}

QString DateSeparator()
{
    const QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    for (QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return QString(c);
    return QStringLiteral("/");
}

QString LocalDateText()
{
    const QDate d = QDate::currentDate();
    const QString sep = DateSeparator();
    return QStringLiteral("%1%2%3%4%5")
        .arg(d.year(), 4, 10, QChar(u'0'))
        .arg(sep)
        .arg(d.month(), 2, 10, QChar(u'0'))
        .arg(sep)
        .arg(d.day(), 2, 10, QChar(u'0'));
}

} // namespace Platform
