#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Answers a modal dialog that the code under test is about to open and wait for: call it just
// before that code, and answer runs inside the dialog's own loop as soon as a new modal widget
// is open (on top of the one open now, if any). A dialog that answer leaves open (a failed check
// returns early) is rejected, so one failure cannot hang the rest.
inline void whenModal(std::function<void(QWidget*)> answer) {
    const QPointer<QWidget> before = QApplication::activeModalWidget();
    const bool nested = before;
    auto attempts = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [before, nested, attempts, poll, answer = std::move(answer)] {
        // A dialog expected on top of another is not expected any more once that one has closed.
        if (nested && (!before || !before->isVisible())) {
            *poll = nullptr;
            return;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == before) {
            if (++*attempts < 500)
                QTimer::singleShot(10, qApp, *poll);
            else
                *poll = nullptr;
            return;
        }
        const QPointer<QWidget> open = modal;
        answer(modal);
        if (open && open->isVisible()) {
            if (auto* dialog = qobject_cast<QDialog*>(open.data()))
                dialog->reject();
            else
                open->close();
        }
        *poll = nullptr;
    };
    QTimer::singleShot(0, qApp, *poll);
}

// Closes every modal widget that is still open.
inline void closeLeftoverModals() {
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
}
