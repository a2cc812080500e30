// SPDX-License-Identifier: MIT
#pragma once
// The ranking window: the ten best times, and after a finished game that
// entered them, a name edit on the new row. It draws its own close button.

#include "DrawnButton.h"
#include "RankTable.h"
#include "ToolWindow.h"
// std
#include <cstdint>

class QLabel;
class QLineEdit;

class TForm3 : public TToolWindow {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    // Fills the window from the main window's ranking and shows it; Row 1 to
    // 10 also puts the name edit on that row. Returns at once.
    void ShowRanking(int32_t Row);

    // The close button's square and the area that counts as a hit on it.
    // The hit area reaches one pixel past the image, right and down.
    static constexpr int CloseX = 450, CloseY = 8, CloseHit = ButtonImageSize + 1;

    QLabel* Label17 = nullptr;
    QLabel *LTime0 = nullptr, *LName0 = nullptr, *LDate0 = nullptr;
    // The cells of rows 1 to 10.
    TOneBased<QLabel*, RankRows> LNOs, LTimes, LNames, LDates;
    // The name edit; made by the first ShowRanking.
    QLineEdit* Edit = nullptr;

    int32_t EditRow = 0;
    // The close button: button 0 of the caption images, the exit button's.
    TDrawnButtons CloseButton;
    // Whether the close button is held down.
    bool ClosePressed() const { return CloseButton.Holding(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Makes the name edit; the first ShowRanking does.
    void CreateEdit();
    void FormCreate();
    void FormHide();
    static bool InCloseButton(QPoint p);
};

extern TForm3* Form3;
