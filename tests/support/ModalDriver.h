#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Waits for the modal widget that whenModal expects and answers it. A child of the application
// and deleted once done, so nothing of it outlives the test.
class ModalAnswer : public QObject {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer)
        : QObject(qApp), m_before(QApplication::activeModalWidget()), m_nested(m_before),
          m_answer(std::move(answer)) {
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, &ModalAnswer::poll);
        m_poll.start();
        QTimer::singleShot(0, this, &ModalAnswer::poll);
    }

private:
    void poll() {
        if (m_done)
            return;
        // A dialog expected on top of another is not expected any more once that one has closed.
        if (m_nested && (!m_before || !m_before->isVisible()))
            return finish();
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_before) {
            if (++m_attempts >= 500)
                finish();
            return;
        }
        // The answer may open dialogs of its own, whose loops would poll again.
        m_done = true;
        m_poll.stop();
        const QPointer<QWidget> open = modal;
        m_answer(modal);
        if (open && open->isVisible()) {
            if (auto* dialog = qobject_cast<QDialog*>(open.data()))
                dialog->reject();
            else
                open->close();
        }
        deleteLater();
    }
    void finish() {
        m_done = true;
        m_poll.stop();
        deleteLater();
    }

    const QPointer<QWidget> m_before;
    const bool m_nested;
    const std::function<void(QWidget*)> m_answer;
    QTimer m_poll;
    int m_attempts = 0;
    bool m_done = false;
};

// Answers a modal dialog that the code under test is about to open and wait for: call it just
// before that code, and answer runs inside the dialog's own loop as soon as a new modal widget
// is open (on top of the one open now, if any). A dialog that answer leaves open (a failed check
// returns early) is rejected, so one failure cannot hang the rest.
inline void whenModal(std::function<void(QWidget*)> answer) {
    new ModalAnswer(std::move(answer));
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
