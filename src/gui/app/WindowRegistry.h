#pragma once
// The program's tool windows: created at start-up in a fixed order, each with its caption and
// the main configuration section that keeps its position, and the "&Window" menu that every
// window shows. A menu item whose window has not been registered (it is not part of this
// program yet) is shown disabled, so every Window menu changes in one place when it arrives.
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/Configuration.h"

class QMenu;
class QWidget;

namespace trevasc {

class WindowRegistry {
  public:
    // The items of every "&Window" menu, in order, with the id of the window each brings up.
    struct MenuItem {
        QString Text;
        QString WindowId;
        // A command of its own (SetMenuCommand) instead of bringing the window up; empty: none.
        QString Command = {};
    };
    static const std::vector<MenuItem>& WindowMenuItems();

    struct Entry {
        QString Id;       // "MainWindow", "PlotWindow", ...
        QString Caption;  // the window's caption when it is created
        // The stored position in the main configuration file; nullptr: the designed position.
        WindowPosition MainSettings::*Position = nullptr;
        bool KeepsSize = false;  // Width and Height are stored too
        std::function<QWidget*()> Create;
        // Brings the window up ("&Window" menu); default: show, raise, activate.
        std::function<void()> Show;
        QWidget* Window = nullptr;
    };

    // Adds a window in creation order. The main window is registered already created.
    void Register(Entry entry);
    // Creates every registered window that is not created yet, in order, and places it at its
    // stored position (kept inside the desktop).
    void CreateAll(const MainSettings& settings);
    QWidget* Window(const QString& id) const;
    // Every created window, in creation order.
    std::vector<QWidget*> Windows() const;
    // Fills `menu` with the window items; items of windows not registered are disabled.
    void BuildWindowMenu(QMenu* menu);
    // Brings up the window of `id`.
    void ShowWindow(const QString& id);
    // What the Window menu items with this command do (the two map items of the 2-axis window
    // prepare their map first).
    void SetMenuCommand(const QString& command, std::function<void()> run);
    // The current positions of the registered windows, over the stored ones.
    void StorePositions(MainSettings& settings) const;

    // Applies a stored position: Width and Height first (at most the desktop's size), then Left
    // and Top kept inside the desktop.
    static void ApplyStoredGeometry(QWidget* window, const WindowPosition& position, bool withSize);

  private:
    const Entry* Find(const QString& id) const;
    void RunMenuItem(const MenuItem& item);
    std::vector<Entry> entries_;
    std::vector<std::pair<QString, std::function<void()>>> commands_;
};

}  // namespace trevasc
