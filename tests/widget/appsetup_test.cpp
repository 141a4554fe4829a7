// The application as the editor sets it up: Qt's own texts in Russian, and no
// name the platform would append to every window title.

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(ApplicationSetUp, QtTextsAreRussian)
{
    QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Yes | QDialogButtonBox::No);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
    EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text().remove(u'&'), QStringLiteral("Да"));
}

TEST(ApplicationSetUp, NoDisplayNameForTheTitles)
{
    // Unset, the display name is the application name; a set one would follow
    // every title as " — Растрова - Диалог".
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("rastrova"));
}
