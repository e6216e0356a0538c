#include "gui/app/WindowRegistry.h"

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace trevasc {

const std::vector<WindowRegistry::MenuItem>& WindowRegistry::WindowMenuItems() {
    static const std::vector<MenuItem> items = {
        {"&Trevasc", "MainWindow"},
        {"XRD &Plot", "PlotWindow"},
        {"&Lattice Data Calculation", "LatticeWindow"},
        {"&Nelson-Riley Plot", "NelsonRileyWindow"},
        {"&2-Axis Plot", "TwoAxisWindow", "TwoAxisPlot"},
        {"&Reciprocal Space Map", "TwoAxisWindow", "ReciprocalSpaceMap"},
        {"Plot &Color Legend", "LegendWindow"},
        {"Film &Thickness Calculation", "XrrWindow"},
        {"Pro&file Fit", "ProfileFitWindow"},
        {"&Size and Strain", "SizeStrainWindow"},
    };
    return items;
}

void WindowRegistry::Register(Entry entry) {
    entries_.push_back(std::move(entry));
}

void WindowRegistry::CreateAll(const MainSettings& settings) {
    for (Entry& e : entries_) {
        if (!e.Window && e.Create) {
            e.Window = e.Create();
            if (e.Window && !e.Caption.isEmpty()) e.Window->setWindowTitle(e.Caption);
        }
        if (e.Window && e.Position)
            ApplyStoredGeometry(e.Window, settings.*(e.Position), e.KeepsSize);
    }
}

const WindowRegistry::Entry* WindowRegistry::Find(const QString& id) const {
    for (const Entry& e : entries_)
        if (e.Id == id) return &e;
    return nullptr;
}

QWidget* WindowRegistry::Window(const QString& id) const {
    const Entry* e = Find(id);
    return e ? e->Window : nullptr;
}

std::vector<QWidget*> WindowRegistry::Windows() const {
    std::vector<QWidget*> windows;
    for (const Entry& e : entries_)
        if (e.Window) windows.push_back(e.Window);
    return windows;
}

void WindowRegistry::BuildWindowMenu(QMenu* menu) {
    menu->clear();
    for (const MenuItem& item : WindowMenuItems()) {
        QAction* action = menu->addAction(item.Text);
        const Entry* e = Find(item.WindowId);
        action->setEnabled(e != nullptr && e->Window != nullptr);
        QObject::connect(action, &QAction::triggered, menu, [this, item] { RunMenuItem(item); });
    }
}

void WindowRegistry::SetMenuCommand(const QString& command, std::function<void()> run) {
    for (auto& [name, existing] : commands_)
        if (name == command) {
            existing = std::move(run);
            return;
        }
    commands_.emplace_back(command, std::move(run));
}

void WindowRegistry::RunMenuItem(const MenuItem& item) {
    for (const auto& [name, run] : commands_)
        if (!item.Command.isEmpty() && name == item.Command && run) {
            run();
            return;
        }
    ShowWindow(item.WindowId);
}

void WindowRegistry::ShowWindow(const QString& id) {
    const Entry* e = Find(id);
    if (!e || !e->Window) return;
    if (e->Show) {
        e->Show();
        return;
    }
    e->Window->show();
    e->Window->raise();
    e->Window->activateWindow();
}

void WindowRegistry::StorePositions(MainSettings& settings) const {
    for (const Entry& e : entries_) {
        if (!e.Window || !e.Position) continue;
        WindowPosition& p = settings.*(e.Position);
        p.Left = e.Window->x();
        p.Top = e.Window->y();
        if (e.KeepsSize) {
            p.Width = e.Window->width();
            p.Height = e.Window->height();
        }
    }
}

void WindowRegistry::ApplyStoredGeometry(QWidget* window, const WindowPosition& pos,
                                         bool withSize) {
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    if (withSize) {
        // A damaged size must not make the window larger than the desktop (or allocate
        // gigabytes for its backing store).
        window->resize(ClampExtent(pos.Width, desktop.width()),
                       ClampExtent(pos.Height, desktop.height()));
    }
    window->move(ClampLeft(pos.Left, window->width(), desktop.left(), desktop.width()),
                 ClampTop(pos.Top, window->height(), desktop.top(), desktop.height()));
}

}  // namespace trevasc
