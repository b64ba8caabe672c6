// SPDX-License-Identifier: GPL-3.0-or-later
// Identifiers of every command the main window knows. The framework's standard commands
// keep their traditional numbers so that project files of keyboard maps and scripts that
// name commands by number stay valid.
#pragma once

enum CommandId : int {
    // File menu
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_APP_EXIT = 57665,

    // Text editing
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_FIND = 57636,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_REPEAT = 57640,
    ID_EDIT_REPLACE = 57641,
    ID_EDIT_SELECT_ALL = 57642,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,   // keys only: Ctrl+Y, Ctrl+Shift+Z

    // Window and help
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_APP_ABOUT = 57664,

    // The program's own commands
    ID_PROJECT_NEW = 32773,
    ID_PROJECT_OPEN = 32774,
    ID_PROJECT_SAVE = 32775,
    ID_PROJECT_SAVEAS = 32776,
    ID_TREE_CUT = 32779,
    ID_TREE_COPY = 32780,
    ID_TREE_PASTE = 32781,
    ID_TREE_PROPERTY = 32782,
    ID_TREE_ADDCHILD = 32785,
    ID_TREE_INSERTAFTER = 32786,
    ID_TREE_INSERTBEFORE = 32787,
    ID_TREE_PASTEBEFORE = 32788,
    ID_TREE_DELETE = 32789,
    ID_PROJECT_TITLE = 32790,
    ID_VIEW_DIRECTION = 32791,
    ID_COUNTER = 32794,
    ID_PROJECT_EXPORT = 32795,
};
