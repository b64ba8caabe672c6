// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandRegistry.h"

#include "CommandIds.h"

#include <QAction>

namespace {

QKeySequence Key(QKeyCombination k) { return QKeySequence(k); }

}  // namespace

const std::vector<CommandInfo>& CommandRegistry::commands()
{
    static const std::vector<CommandInfo> table = {
        {ID_FILE_NEW, "新規作成(&N)", {Key(Qt::CTRL | Qt::Key_N)}},
        {ID_FILE_OPEN, "開く(&O)...", {Key(Qt::CTRL | Qt::Key_O)}},
        {ID_FILE_SAVE, "上書き保存(&S)", {Key(Qt::CTRL | Qt::Key_S)}},
        {ID_FILE_SAVE_AS, "名前を付けて保存(&A)...", {}},
        {ID_PROJECT_NEW, "プロジェクト新規作成(&P)", {}},
        {ID_PROJECT_OPEN, "プロジェクトを開く(&W)", {}},
        // Writers expect a key that saves their novel; Ctrl+S stays the text document's.
        {ID_PROJECT_SAVE, "プロジェクト保存(&V)", {Key(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}},
        {ID_PROJECT_SAVEAS, "プロジェクトを名前を付けて保存(&R)", {}},
        {ID_PROJECT_EXPORT, "プロジェクトをエクスポート(&E)", {}},
        {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", {}},

        {ID_EDIT_UNDO, "元に戻す(&U)", {Key(Qt::CTRL | Qt::Key_Z), Key(Qt::ALT | Qt::Key_Backspace)}},
        {ID_EDIT_REDO, "", {Key(Qt::CTRL | Qt::Key_Y), Key(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}},
        {ID_EDIT_CUT, "切り取り(&T)", {Key(Qt::CTRL | Qt::Key_X), Key(Qt::SHIFT | Qt::Key_Delete)}},
        {ID_EDIT_COPY, "ｺﾋﾟｰ(&C)", {Key(Qt::CTRL | Qt::Key_C), Key(Qt::CTRL | Qt::Key_Insert)}},
        {ID_EDIT_PASTE, "貼り付け(&P)", {Key(Qt::CTRL | Qt::Key_V), Key(Qt::SHIFT | Qt::Key_Insert)}},
        {ID_EDIT_SELECT_ALL, "すべて選択(&L)", {Key(Qt::CTRL | Qt::Key_A)}},
        {ID_EDIT_FIND, "検索(&F)...", {Key(Qt::CTRL | Qt::Key_F)}},
        {ID_EDIT_REPLACE, "置換(&E)", {Key(Qt::CTRL | Qt::Key_H)}},
        {ID_EDIT_REPEAT, "", {Key(Qt::Key_F3)}},

        {ID_TREE_CUT, "切り取り(&T)", {}},
        {ID_TREE_COPY, "コピー(&C)", {}},
        {ID_TREE_PASTE, "選択中ノード下に貼り付け(&P)", {}},
        {ID_TREE_PASTEBEFORE, "選択中ノード上に貼り付け(&U)", {}},
        {ID_TREE_DELETE, "削除(&D)", {}},
        {ID_TREE_PROPERTY, "プロパティの変更(&I)", {}},
        {ID_TREE_ADDCHILD, "選択中ノード下に子を追加(&L)", {}},
        {ID_TREE_INSERTAFTER, "選択中ノード下に兄弟を追加(&A)", {}},
        {ID_TREE_INSERTBEFORE, "選択中ノード上に兄弟を追加(&B)", {}},
        {ID_PROJECT_TITLE, "プロジェクトのタイトルを変更(&N)", {}},

        {ID_VIEW_DIRECTION, "縦・横表示の切り替え(&V)", {}},
        {ID_COUNTER, "原稿用紙カウンター(&L)", {}},
        {ID_APP_ABOUT, "ﾊﾞｰｼﾞｮﾝ情報(&A)...", {}},

        {ID_NEXT_PANE, "", {Key(Qt::Key_F6)}},
        {ID_PREV_PANE, "", {Key(Qt::SHIFT | Qt::Key_F6)}},
    };
    return table;
}

const std::vector<MenuLayout>& CommandRegistry::mainMenu()
{
    static const std::vector<MenuLayout> menus = {
        {"ﾌｧｲﾙ(&F)",
         {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, 0, ID_PROJECT_NEW,
          ID_PROJECT_OPEN, ID_PROJECT_SAVE, ID_PROJECT_SAVEAS, 0, ID_PROJECT_EXPORT, 0,
          ID_APP_EXIT}},
        {"文書編集(&E)",
         {ID_EDIT_UNDO, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_SELECT_ALL, 0,
          ID_EDIT_FIND, ID_EDIT_REPLACE}},
        {"木編集(&T)",
         {ID_TREE_CUT, ID_TREE_COPY, ID_TREE_PASTE, ID_TREE_PASTEBEFORE, ID_TREE_DELETE, 0,
          ID_TREE_PROPERTY, 0, ID_TREE_ADDCHILD, ID_TREE_INSERTAFTER, ID_TREE_INSERTBEFORE, 0,
          ID_PROJECT_TITLE}},
        {"その他(&O)", {ID_VIEW_DIRECTION, ID_COUNTER}},
        {"ﾍﾙﾌﾟ(&H)", {ID_APP_ABOUT}},
    };
    return menus;
}

const CommandInfo* CommandRegistry::find(int id)
{
    for (const CommandInfo& c : commands())
        if (c.id == id)
            return &c;
    return nullptr;
}

CommandRegistry::CommandRegistry(QObject* parent)
{
    for (const CommandInfo& c : commands()) {
        auto* a = new QAction(QString::fromUtf8(c.caption), parent);
        a->setData(c.id);
        a->setShortcuts(c.keys);
        m_actions.emplace(c.id, a);
    }
}

QAction* CommandRegistry::action(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}
