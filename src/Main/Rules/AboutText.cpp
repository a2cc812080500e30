// SPDX-License-Identifier: MIT
#include "AboutText.h"

namespace {
const QColor Yellow(255, 255, 0);
const QColor White(255, 255, 255);
const QColor Lime(0, 255, 0);
} // namespace

const QStringList& AboutLines()
{
    // The sign runs the lines together without a gap, so a credit role, the
    // name after it and a sentence split over several lines read as one text.
    static const QStringList lines = {
        QStringLiteral("　　【アプリ情報】"),
        QStringLiteral("ぬぺぬぺ衰弱 Ver1.13h：Date=99/11/19：画像提供 "),
        QStringLiteral("ヌペの飼い主さん"),
        QStringLiteral("：画像編集者"),
        QStringLiteral("切り抜き係"),
        QStringLiteral("&"),
        QStringLiteral("色合わせ係"),
        QStringLiteral("：製作者"),
        QStringLiteral("プログラム係（ぬぺぬぺプロジェクト）"),
        QStringLiteral("　　【クイズ】"),
        QStringLiteral("問１：このぬぺぬぺ衰弱の中には、何匹のヌペがいますか？。"),
        QStringLiteral("問２：全ての画像のヌペを全部、識別して下さい。"),
        QStringLiteral("問３：識別したヌペの名前を当てて下さい。"),
        QStringLiteral("ヒントは、他の「ぬぺぬぺシリーズ」のアプリを見れば分かると思います。"),
        QStringLiteral("　　【ぬぺぬぺプロジェクト】  "),
        QStringLiteral(
            "カードの絵のヌペたちは、みんな「ヌペの飼い主さん」のお家で暮らしています。"),
        QStringLiteral("このかわいいヌペたちを、一人でも多くの人に見てもらいたい！そう思って、"),
        QStringLiteral("フリーウェアを通じて世間に公開すること決意したのが始まり。"),
        QStringLiteral("目標は世界！。"),
        QStringLiteral("名づけて「"),
        QStringLiteral("ぬぺぬぺプロジェクト"),
        QStringLiteral("」(略してNNP)"),
        QStringLiteral("メンバーは、"),
        QStringLiteral("飼い主さん / 切り抜き係 / 色合わせ係 / プログラム係"),
        QStringLiteral("の四人です。"),
        QStringLiteral("そして、飼い主さんを筆頭にみんなで見守る主役のヌペたちは、"),
        QStringLiteral("ぬぺ太 / ぬぺ子 / ぬぺ助"),
        QStringLiteral("の三匹です。"),
        QStringLiteral("ヌペたちはプロジェクトの顔であり、いちばん大切なメンバーでもあります。"),
        QStringLiteral("飼い主さんの願いは、ヌペたちの名前が世界中に知れわたること。"),
        QStringLiteral("そしてそれだけが「ぬぺぬぺプロジェクト」の活動目的なのです。"),
        QStringLiteral(
            "これからもどしどし「ぬぺぬぺシリーズ」を公開しますので楽しみにしててください。"),
    };
    return lines;
}

QColor AboutLineColour(int32_t index)
{
    switch (index) {
    case 0:
    case 9:
    case 14:
        return Yellow;
    case 2:
    case 4:
    case 6:
    case 8:
    case 20:
    case 23:
    case 26:
        return White;
    default:
        return Lime;
    }
}
