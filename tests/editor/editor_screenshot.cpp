// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the editor with a sample of manuscript text and saves it as an image.
#include "VerticalTextEdit.h"

#include <QApplication>
#include <QImage>
#include <QTextCursor>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("editor-vertical.png");
    VerticalTextEdit edit;
    QFont f = edit.font();
    f.setPixelSize(24);
    edit.setFont(f);
    edit.resize(900, 560);
    edit.setPlainText(QStringLiteral(
        "　ある日の暮方の事である。一人の下人が、羅生門の下で雨やみを待っていた。\n"
        "「もう、おしまいか。」と老婆は言った。『カップ』を手に取り、（小声で）ため息をついた。\n"
        "　ABCの店でコーヒーを123円で買った。全角のＡＢＣは立ったまま。第12話は明日!?\n"
        "　|魔法使い《ウィザード》の漢字《かんじ》と《《傍点》》。\n"
        "　Vertical writing keeps Latin words turned inside the column, and long vowels ー stand up.\n"
        "　葛\U000E0100と葛、か\u309Aの字。"));
    if (argc > 2)
        edit.setVertical(false);
    edit.setSelection(5, 9);
    edit.show();
    edit.setFocus();
    QApplication::processEvents();
    if (!edit.grab().save(out))
        return 1;
    return 0;
}
