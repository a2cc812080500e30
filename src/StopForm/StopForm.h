// SPDX-License-Identifier: MIT
#pragma once
// The penalty window: a picture, the word "ペナルティ" and a bar that drains
// over the two-second pause. The main window shows, feeds and hides it.

#include "ToolWindow.h"

class QLabel;
class QProgressBar;

class TForm2 : public TToolWindow {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // Sets the bar to the time left in milliseconds; below 0 shows empty.
    void SetBarPosition(int ms);
    // Shows the window centred on the screen, in front of the others.
    void ShowPenalty();

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QProgressBar* Bar = nullptr;

private:
    // Image1 shows the picture drawn at twice the size.
    bool PictureTwice = false;
};

extern TForm2* Form2;
