#pragma once
// The ranking window: the top ten, with a name edit on a new row.

// Qt
#include <QWidget>

class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;
};

extern TForm3* Form3;
