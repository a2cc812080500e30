// SPDX-License-Identifier: MIT
#pragma once
// The card maker: a deck for the game, "Img.Dat", made from the player's own
// pictures. Each picture is turned upright, cut to the cards' 5 : 4 around
// its centre and scaled to 100 x 80; the back and the penalty card come from
// a strip the game ships, or from pictures of their own.

// Qt
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
// std
#include <functional>
#include <stdexcept>

namespace CardMaker {

// The most faces a strip can hold: a JPEG is at most 65,500 pixels wide,
// and the back and the penalty card come first.
constexpr int MaxFaces = 65500 / 100 - 2;
// The fewest: a deal takes 22 different faces.
constexpr int MinFaces = 22;

// Why no deck was made: one line in Japanese, as the game speaks, and the
// same in English.
class TRefusal : public std::runtime_error {
public:
    TRefusal(const QString& japanese, const QString& english);
    QString Japanese, English;
};

// The pictures that `arguments` name: a file as it stands, a folder as the
// files in it (not its subfolders) that look like pictures by their name or
// their first bytes, sorted by name. A picture named twice counts once.
// Refuses a folder that holds no picture, and more than MaxFaces pictures.
QStringList CollectPictures(const QStringList& arguments);

// The picture in the file, turned upright as its EXIF orientation says and
// in sRGB, at most four times the size a card needs of it where the format
// can be read smaller; refuses, naming the file, one that cannot be read.
QImage ReadPicture(const QString& path);

// The part of an upright picture of this size that a card shows: the largest
// 5 : 4 rectangle around its centre (the middle of a tall picture, the
// middle of a wide one).
QRect CardCut(const QSize& picture);

// The picture's CardCut scaled smoothly to 100 x 80, transparency on white,
// in 24-bit colour.
QImage CardPicture(const QImage& picture);

// The strip: the back, the penalty card, then the faces, each 100 x 80, side
// by side.
QImage ComposeStrip(const QImage& back, const QImage& penalty, const QList<QImage>& faces);

// The strip as a baseline JPEG of the quality the shipped strip has.
QByteArray EncodeJpeg(const QImage& strip);

struct TDeckRequest {
    QStringList Pictures;    // files and folders, as the player named them
    QString Back;            // a picture for the back, or empty for the shipped one
    QString Penalty;         // likewise for the penalty card
    QString ShippedStrip;    // the strip the game ships, for what is not named
    QString Output;          // the file to write
    bool MakeFolder = false; // make the file's folder when it is missing
    // Told after each face is read, with the number read and of all.
    std::function<void(qsizetype read, qsizetype all)> Progress = {};
};

// Makes the deck and writes it in one step: a file that was there stays whole
// until the new one replaces it, and stays as it was when anything is
// refused. Returns the number of faces.
int MakeDeck(const TDeckRequest& request);

} // namespace CardMaker
