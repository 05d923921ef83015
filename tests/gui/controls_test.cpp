// The desktop program's own controls, as real widgets on the offscreen platform.
#include "controls/controls.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QEnterEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include "gui_test_support.h"

using kvd::CBtnListCtrl;
using kvd::CCustomButton;
using kvd::CCustomEdit;

class ControlsTest : public QObject {
    Q_OBJECT

  public:
    static void initMain() { kvd::test::UsePrivateUserFolders(); }

  private:
    // A list whose rows are invalid where `invalid` has a 1; it records the hook's calls.
    struct ListFixture {
        CBtnListCtrl list;
        QList<int> hookRows;
        QList<bool> checkedAtHook;
        explicit ListFixture(const QString& invalid) {
            QStringList names;
            for (int row = 0; row < invalid.size(); ++row)
                names << QStringLiteral("LOG%1").arg(row);
            list.resize(240, 220);
            list.Setup(
                {"Select", "file name", "size"}, names,
                [invalid](int row) { return invalid[row] == QLatin1Char('1'); },
                [this](int row) {
                    hookRows << row;
                    checkedAtHook << list.IsChecked(row);
                });
            list.show();
        }
        QString Checks() const {
            QString marks;
            for (int row = 0; row < list.RowCount(); ++row)
                marks += list.IsChecked(row) ? '1' : '0';
            return marks;
        }
        void Click(int row) {
            QCheckBox* box = list.CheckBox(row);
            QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
        }
    };

    static QImage Grab(QWidget& widget) {
        return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static bool HasColour(const QImage& image, const QColor& colour) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == colour) return true;
        return false;
    }

  private slots:
    void selectAllLeavesInvalidRowsAlone_data() {
        QTest::addColumn<QString>("invalid");
        QTest::addColumn<bool>("state");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("checks");
        QTest::newRow("mixed, tick") << "0100100000" << true << 1 << "1011011111";
        QTest::newRow("only invalid, tick") << "1111111111" << true << 0 << "0000000000";
        QTest::newRow("mixed, clear") << "0100100000" << false << 0 << "0000000000";
        QTest::newRow("no rows") << "" << true << 0 << "";
    }
    void selectAllLeavesInvalidRowsAlone() {
        QFETCH(QString, invalid);
        QFETCH(bool, state);
        QFETCH(int, answer);
        QFETCH(QString, checks);
        ListFixture fixture(invalid);
        if (!state) fixture.list.SetAllChecks(true);
        QCOMPARE(fixture.list.SetAllChecks(state), answer);
        QCOMPARE(fixture.Checks(), checks);
        QVERIFY(fixture.hookRows.isEmpty());  // only a click of the user calls the hook
    }

    void clickOnInvalidRowTicksNothing() {
        ListFixture fixture("0001");
        fixture.Click(3);
        QCOMPARE(fixture.Checks(), QStringLiteral("0000"));
        QVERIFY(!fixture.list.CheckBox(3)->isEnabled());
        QVERIFY(fixture.hookRows.isEmpty());
    }

    void clickCallsTheHookAfterTheBoxToggled() {
        ListFixture fixture("0000000000");
        fixture.Click(3);
        fixture.list.SetAllChecks(true);
        fixture.Click(5);  // clearing one row after select-all
        QCOMPARE(fixture.hookRows, (QList<int>{3, 5}));
        QCOMPARE(fixture.checkedAtHook, (QList<bool>{true, false}));
        QCOMPARE(fixture.Checks(), QStringLiteral("1111101111"));
        QCOMPARE(fixture.list.CheckedRows(), (std::vector<int>{0, 1, 2, 3, 4, 6, 7, 8, 9}));
    }

    void refillingReplacesRowsAndBoxes() {
        ListFixture fixture("0000");
        fixture.list.SetAllChecks(true);
        fixture.list.FillRows({"A", "B"});
        QCOMPARE(fixture.list.RowCount(), 2);
        QCOMPARE(fixture.Checks(), QStringLiteral("00"));
        QCOMPARE(fixture.list.CellText(1, 1), QStringLiteral("B"));
        QCOMPARE(fixture.list.CheckBox(2), nullptr);
    }

    void boxesFollowTheirRowsAndTheWheelDoesNotScroll() {
        ListFixture fixture(QString(20, '0'));
        fixture.list.resize(240, 120);
        QScrollBar* bar = fixture.list.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        const QPoint centre = fixture.list.viewport()->rect().center();
        QWheelEvent wheel(centre, fixture.list.viewport()->mapToGlobal(centre), {}, {0, -240},
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(fixture.list.viewport(), &wheel);
        QCOMPARE(bar->value(), 0);
        // Scrolled by the bar, row 0 goes under the header and its box with it.
        bar->setValue(bar->maximum());
        QTRY_VERIFY(!fixture.list.CheckBox(0)->isVisibleTo(&fixture.list) ||
                    fixture.list.CheckBox(0)->mapTo(fixture.list.viewport(), QPoint(0, 0)).y() < 0);
        const QRect lastRow = fixture.list.visualItemRect(fixture.list.topLevelItem(19));
        QTRY_COMPARE(fixture.list.CheckBox(19)->mapTo(fixture.list.viewport(), QPoint(0, 0)),
                     QPoint(lastRow.left() + CBtnListCtrl::kCheckBoxLeft, lastRow.top() + 1));
    }

    void buttonColoursInEachState_data() {
        QTest::addColumn<CCustomButton::Look>("look");
        QTest::addColumn<QColor>("fill");
        QTest::addColumn<QColor>("text");
        QTest::newRow("disabled") << CCustomButton::Look::Disabled << QColor(236, 236, 236)
                                  << QColor(165, 165, 165);
        QTest::newRow("pressed") << CCustomButton::Look::Pressed << QColor(255, 175, 175)
                                 << QColor(0, 0, 0);
        QTest::newRow("hover") << CCustomButton::Look::Hover << QColor(0, 154, 154)
                               << QColor(245, 245, 245);
        QTest::newRow("focus") << CCustomButton::Look::Focus << QColor(34, 34, 34)
                               << QColor(255, 255, 255);
        QTest::newRow("normal") << CCustomButton::Look::Normal << QColor(101, 101, 101)
                                << QColor(255, 255, 255);
    }
    void buttonColoursInEachState() {
        QFETCH(CCustomButton::Look, look);
        QFETCH(QColor, fill);
        QFETCH(QColor, text);
        QWidget window;
        window.resize(200, 100);
        auto* other = new QPushButton("x", &window);  // takes the focus unless the test wants it
        other->move(0, 60);
        auto* button = new CCustomButton(&window);
        button->setGeometry(0, 0, 120, 50);
        QFont big = button->font();
        big.setPixelSize(40);
        big.setBold(true);
        button->setFont(big);
        button->SetTexts("I", "I");
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        switch (look) {
            case CCustomButton::Look::Disabled:
                button->setEnabled(false);
                break;
            case CCustomButton::Look::Pressed:
                button->setDown(true);
                break;
            case CCustomButton::Look::Hover: {
                QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
                QApplication::sendEvent(button, &enter);
                QTRY_VERIFY(button->IsHovering());
                break;
            }
            case CCustomButton::Look::Focus:
                button->setFocus();
                break;
            case CCustomButton::Look::Normal:
                break;
        }
        QCOMPARE(button->CurrentLook(), look);
        const QImage image = Grab(*button);
        QCOMPARE(image.pixelColor(4, 25), fill);
        QCOMPARE(image.pixelColor(115, 45), fill);
        QVERIFY(HasColour(image, text));
        if (look == CCustomButton::Look::Pressed) {
            QCOMPARE(image.pixelColor(10, 0), QColor(160, 160, 160));  // sunken top edge
            QCOMPARE(image.pixelColor(0, 10), QColor(160, 160, 160));
        }
    }

    void hoverNeedsTheRestAndEndsOnLeave() {
        CCustomButton button;
        button.resize(80, 30);
        button.show();
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(&button, &enter);
        QVERIFY(!button.IsHovering());  // not before the pointer has rested
        QTRY_VERIFY(button.IsHovering());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&button, &leave);
        QVERIFY(!button.IsHovering());
    }

    void disabledButtonDrawsItsSecondText() {
        auto render = [](const QString& enabledText, const QString& disabledText, bool enabled) {
            CCustomButton button;
            button.resize(120, 30);
            button.SetTexts(enabledText, disabledText);
            button.setEnabled(enabled);
            return Grab(button);
        };
        QCOMPARE(render("Update", "connecting", false), render("connecting", "connecting", false));
        QVERIFY(render("Update", "connecting", false) != render("Update", "Update", false));
        QCOMPARE(render("Update", "connecting", true), render("Update", "Update", true));
    }

    void dropPutsTheFirstPathWhole_data() {
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<int>("expected");  // index into dropped; -1: text unchanged
        QTest::newRow("three files") << QStringList{"a.FPT", "b.FPT", "c.mem"} << 0;
        QTest::newRow("a folder") << QStringList{"logs/"} << 0;
        QTest::newRow("a path beyond 259 characters")
            << QStringList{QString(200, 'd') + "/" + QString(120, 'f') + ".FPT"} << 0;
        QTest::newRow("a web address") << QStringList{"http://example.invalid/x.FPT"} << -1;
    }
    void dropPutsTheFirstPathWhole() {
        QFETCH(QStringList, dropped);
        QFETCH(int, expected);
        QTemporaryDir dir;
        QList<QUrl> urls;
        QStringList paths;
        for (const QString& name : dropped) {
            if (name.startsWith("http:")) {
                urls << QUrl(name);
                paths << name;
                continue;
            }
            QString path = dir.filePath(name);
            if (path.endsWith('/')) {
                QDir().mkpath(path);
                path.chop(1);
            }
            urls << QUrl::fromLocalFile(path);
            paths << QDir::toNativeSeparators(QDir::cleanPath(path));
        }
        CCustomEdit edit;
        edit.setText("before");
        QMimeData data;
        data.setUrls(urls);
        // As a drag from the desktop delivers it: the entry first, then the drop.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&edit, &drop);
        QCOMPARE(edit.text(), expected < 0 ? QStringLiteral("before") : paths[expected]);
    }
};

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
