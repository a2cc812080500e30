#pragma once
// Helpers shared by the tests: scratch directories, made-up picture strips,
// a clock the tests drive, and a recorder for message boxes.

#include "Platform/Platform.h"
// Qt
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
// std
#include <functional>
#include <vector>

namespace Test {

// A scratch directory that is the current directory while the object lives.
class TScratchDir {
public:
    TScratchDir();
    ~TScratchDir();
    QString Path(const QString& name) const;

private:
    QTemporaryDir Dir;
    QString OldDir;
};

// The colour that a made-up strip gives picture i.
QColor PictureColour(int i);
// A strip of `pictures` cells of 100 x 80 (plus extra columns / rows), each
// filled with PictureColour(i).
QImage MakeStrip(int pictures, int extraWidth = 0, int height = 80);

struct TJpegOptions {
    int Quality = 95;
    bool Progressive = false;
    bool Greyscale = false;
    bool Cmyk = false;
};
// Writes `image` as a JPEG file with libjpeg.
void WriteJpeg(const QString& path, const QImage& image, const TJpegOptions& options = {});
// Writes Img.Dat with `pictures` pictures into the current directory.
void WriteStrip(int pictures, int extraWidth = 0, int height = 80);

// Collects message boxes instead of showing them.
class TMessageRecorder {
public:
    struct TMessage {
        QString Caption, Text;
        Platform::TMsgIcon Icon;
    };
    TMessageRecorder();
    ~TMessageRecorder();
    std::vector<TMessage> Messages;
};

// A tick count that moves only when told to, or when the game sleeps.
class TTestClock : public Platform::TClock {
public:
    TTestClock();
    ~TTestClock() override;
    int32_t Tick() override { return Now; }
    void Sleep(int ms) override;
    void Advance(int ms) { Now += ms; }

    int32_t Now = 100000;
    std::vector<int> Sleeps;
    // Runs inside every sleep, after the clock has moved on.
    std::function<void(int)> OnSleep;
};

// Whether two colours are within `tolerance` per component (JPEG is lossy).
bool Near(QColor a, QColor b, int tolerance = 12);

} // namespace Test

// The three windows, created as the program creates them.
#include "Main/Main.h"
#include "Rank/Rank.h"
#include "StopForm/StopForm.h"
#include <memory>

namespace Test {
struct TWindows {
    TWindows()
        : Main(std::make_unique<TForm1>()), Rank(std::make_unique<TForm3>()),
          Stop(std::make_unique<TForm2>())
    {
    }
    std::unique_ptr<TForm1> Main;
    std::unique_ptr<TForm3> Rank;
    std::unique_ptr<TForm2> Stop;
};

// What the board image shows at the middle of card n.
QColor ShownAt(const TForm1& form, int32_t n);
// The picture card n shows on the board (by colour of a made-up strip), or -1.
int32_t ShownPicture(const TForm1& form, int32_t n, int pictures = 32);
} // namespace Test
