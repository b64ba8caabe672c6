// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11WindowGrab.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<uint16_t>(qstrlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type)
{
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 1024), nullptr));
    if (!r)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r.get())),
                      xcb_get_property_value_length(r.get()));
}

struct TopLevel {
    xcb_window_t id;
    QRect rect;
};

// The mapped top-level windows that belong to pid.
QList<TopLevel> windowsOf(qint64 pid)
{
    QList<TopLevel> found;
    xcb_connection_t* c = connection();
    if (!c)
        return found;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t pidAtom = atom(c, "_NET_WM_PID");
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    if (!tree)
        return found;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const xcb_window_t w = children[i];
        Reply<xcb_get_window_attributes_reply_t> attr(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
        // Menus and tool tips are override-redirect pop-ups, not windows of their own.
        if (!attr || attr->map_state != XCB_MAP_STATE_VIEWABLE || attr->override_redirect)
            continue;
        const QByteArray pidValue = property(c, w, pidAtom, XCB_ATOM_CARDINAL);
        if (pidValue.size() < 4 || *reinterpret_cast<const quint32*>(pidValue.constData()) != pid)
            continue;
        Reply<xcb_get_geometry_reply_t> geo(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
        if (!geo)
            continue;
        found.append({w, QRect(geo->x, geo->y, geo->width, geo->height)});
    }
    return found;
}

TopLevel largestOf(qint64 pid)
{
    TopLevel best{XCB_WINDOW_NONE, {}};
    for (const TopLevel& t : windowsOf(pid)) {
        if (qint64(t.rect.width()) * t.rect.height() > qint64(best.rect.width()) * best.rect.height())
            best = t;
    }
    return best;
}

} // namespace

namespace X11WindowGrab {

QRect mainWindowOf(qint64 pid) { return largestOf(pid).rect; }

bool click(qint64 pid, const QPoint& pos)
{
    xcb_connection_t* c = connection();
    const TopLevel target = largestOf(pid);
    if (!c || target.id == XCB_WINDOW_NONE)
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    for (uint8_t type : {uint8_t(XCB_BUTTON_PRESS), uint8_t(XCB_BUTTON_RELEASE)}) {
        xcb_button_press_event_t e{};
        e.response_type = type;
        e.detail = 1;   // left button
        e.time = XCB_CURRENT_TIME;
        e.root = root;
        e.event = target.id;
        e.child = XCB_WINDOW_NONE;
        e.root_x = int16_t(target.rect.x() + pos.x());
        e.root_y = int16_t(target.rect.y() + pos.y());
        e.event_x = int16_t(pos.x());
        e.event_y = int16_t(pos.y());
        e.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
        e.same_screen = 1;
        xcb_send_event(c, 0, target.id, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
    }
    xcb_flush(c);
    return true;
}

int windowCount(qint64 pid) { return int(windowsOf(pid).size()); }

QImage grab(const QRect& area)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || area.isEmpty())
        return {};
    return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
}

} // namespace X11WindowGrab
