#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

// Answers every modal message box the way a player would: reads it, then presses its OK button.
// What each box showed is kept for the test to check.
class MessageBoxDismisser {
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon;
        QStringList buttons;
    };

    MessageBoxDismisser()
    {
        m_poll.setInterval(1);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { dismissOpenBox(); });
        m_poll.start();
    }

    std::vector<Seen> boxes;
    // Runs while a box is open, before it is dismissed.
    std::function<void(QMessageBox&)> whileOpen;

    [[nodiscard]] QStringList texts() const
    {
        QStringList result;
        for (const Seen& seen : boxes) {
            result << seen.text;
        }
        return result;
    }

private:
    void dismissOpenBox()
    {
        auto* const box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        Seen seen { box->windowTitle(), box->text(), box->icon(), {} };
        for (QAbstractButton* button : box->buttons()) {
            // The mnemonic marker depends on the desktop theme; the player sees "OK" either way.
            seen.buttons << button->text().remove(QLatin1Char('&'));
        }
        boxes.push_back(seen);
        if (whileOpen) {
            whileOpen(*box);
        }
        QTest::mouseClick(box->buttons().constFirst(), Qt::LeftButton);
    }

    QTimer m_poll;
};
