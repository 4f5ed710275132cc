#include "src/dialogs/CSelectOutputFileDlg.h"
#include "tests/app/AppTestSupport.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

namespace {

QAccessibleInterface* Accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

// The names of the labels a control is labelled by.
QStringList LabelledBy(QWidget* control) {
    QStringList names;
    for (const auto& [label, relation] : Accessible(control)->relations(QAccessible::Label))
        names << label->text(QAccessible::Name);
    return names;
}

TEST_F(AppTest, EveryListSliderAndEditIsNamedAndLabelledByItsLabel) {
    ASSERT_TRUE(StartWithSapi5Voices());
    CSelectOutputFileDlg dlg(Frame(), Frame()->Encoders());
    // Lists are announced with their value as name, so their label comes
    // through the labelled-by relation; sliders are also named by it.
    for (QWidget* list :
         {static_cast<QWidget*>(Bar()->m_cbVoice), static_cast<QWidget*>(Bar()->m_cbQuality)})
        EXPECT_EQ(LabelledBy(list), QStringList{list == Bar()->m_cbVoice ? "Voice" : "Quality"});
    for (QSlider* slider : {Bar()->m_sliderSpeed, Bar()->m_sliderVolume, Bar()->m_sliderPitch}) {
        EXPECT_EQ(LabelledBy(slider), QStringList{Accessible(slider)->text(QAccessible::Name)});
        EXPECT_NE(Accessible(slider)->text(QAccessible::Name), "");
    }
    // In the output dialog: Bitrate, Quality, Codec, Format and Output file.
    QStringList dialogLabels;
    for (QWidget* w : dlg.findChildren<QWidget*>()) {
        const auto role = Accessible(w)->role();
        if (role == QAccessible::ComboBox || role == QAccessible::EditableText)
            dialogLabels << LabelledBy(w);
    }
    dialogLabels.sort();
    EXPECT_EQ(dialogLabels, (QStringList{"Bitrate", "Codec", "Format", "Output file", "Quality"}));
}

TEST_F(AppTest, MenuItemsCarryTheirKeysAsShortcutsNotInTheirNames) {
    ASSERT_TRUE(StartWithSapi5Voices());
    QMenu* file = Frame()->menuBar()->actions().front()->menu();
    QAccessibleInterface* write = Accessible(file)->child(0);
    EXPECT_EQ(write->text(QAccessible::Name), "Write to audio file");
    EXPECT_EQ(write->text(QAccessible::Accelerator),
              QKeySequence(QStringLiteral("Ctrl+W")).toString());
}

TEST_F(AppTest, TheContextMenuOpensFromTheKeyboardAndIsOnTheBus) {
    ASSERT_TRUE(StartWithSapi5Voices());
    Type("Hello");
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
        QStringList items;
        QTimer::singleShot(0, [&items] {
            QAccessibleInterface* application = Accessible(qApp);
            for (int i = 0; i < application->childCount(); ++i) {
                QAccessibleInterface* child = application->child(i);
                if (child->role() != QAccessible::PopupMenu)
                    continue;
                for (int j = 0; j < child->childCount(); ++j)
                    items << child->child(j)->text(QAccessible::Name);
                static_cast<QWidget*>(child->object())->close();
            }
        });
        QTest::keyClick(View(), key, modifiers);
        EXPECT_TRUE(items.contains("Speak selected text")) << items.join('|').toStdString();
        EXPECT_FALSE(items.join("").contains('\t'));
    }
}

TEST_F(AppTest, StatusPanesAreAnnouncedAsTheyRead) {
    ASSERT_TRUE(StartWithSapi5Voices());
    Type("abc");
    EXPECT_EQ(Accessible(Frame()->Pane(1))->text(QAccessible::Name), "Line: 1, Col: 4");
    EXPECT_TRUE(Accessible(Frame()->Pane(2))->text(QAccessible::Name).startsWith("Caps Lock"));
}

// Qt announces a change of the enabled state; the job's greying out must be
// one, seen by the bus as the controls' state.
TEST_F(AppTest, GreyingOutForAJobShowsInTheControlsState) {
    ASSERT_TRUE(StartWithSapi5Voices());
    Type("Hello");
    const auto greyed = [this] {
        return Accessible(Bar()->m_btnSpeak)->state().disabled &&
               Accessible(Bar()->m_cbVoice)->state().disabled &&
               Accessible(
                   Frame()->ToolBar()->widgetForAction(Frame()->CommandAction(ID_FILE_SPEAK)))
                   ->state()
                   .disabled;
    };
    EXPECT_FALSE(greyed());
    StartEndlessJob();
    EXPECT_TRUE(Eventually(greyed));
    StopJob();
    EXPECT_TRUE(Eventually([&] { return !greyed(); }));
}

TEST_F(AppTest, TheControlBarIsNeverCutOff) {
    ASSERT_TRUE(StartWithSapi5Voices());
    Frame()->resize(1, 1);
    QCoreApplication::processEvents();
    for (QWidget* control :
         {static_cast<QWidget*>(Bar()->m_btnWrite), static_cast<QWidget*>(Bar()->m_sliderPitch)}) {
        const QRect inFrame(control->mapTo(Frame(), QPoint(0, 0)), control->size());
        EXPECT_TRUE(Frame()->rect().contains(inFrame)) << inFrame.right();
        EXPECT_EQ(control->visibleRegion().boundingRect().size(), control->size());
    }
}

} // namespace
