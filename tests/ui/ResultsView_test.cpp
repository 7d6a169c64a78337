#include "UiTestSupport.h"

#include <QClipboard>

using namespace calc;
using namespace calc::test;

class TestResultsView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TUiEnvironment> FEnv;
    std::unique_ptr<TfrmCalculator> FWindow;

    TfrmCalculator& Open(const QByteArray& options = {})
    {
        FEnv = std::make_unique<TUiEnvironment>(options);
        FWindow = ShowWindow(*FEnv->Manager);
        return *FWindow;
    }
    TfrmResultsView& View() { return *FWindow->ResultsView(); }
    TCalcManager& Manager() { return *FEnv->Manager; }
    void Type(const QString& keys) { QTest::keyClicks(Editor(*FWindow->ExpressionView()), keys); }
    QStringList Captions()
    {
        QStringList captions;
        for (const TResultBox* box : View().Boxes())
            captions << box->title();
        return captions;
    }
    /// Chooses a format's item of the view's pop-up menu.
    void ToggleFormat(const QString& name)
    {
        QMenu* menu = OpenContextMenu(&View());
        QVERIFY(menu != nullptr);
        QAction* item = FindAction(*menu, name);
        QVERIFY(item != nullptr);
        menu->close();
        item->trigger();
        QCoreApplication::processEvents();
    }

private slots:
    void cleanup()
    {
        FWindow.reset();
        FEnv.reset();
    }

    void oneBoxPerVisibleFormatInDisplayOrder_data()
    {
        QTest::addColumn<QByteArray>("options");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("first start")
            << QByteArray() << QStringList({" Decimal ", " Hex ", " Bin "});
        QTest::newRow("reordered and more")
            << QByteArray("[Results]\r\n0=0,0,1,5\r\n5=0,0,1,0\r\n8=0,0,1,3\r\n")
            << QStringList({" Hex ", " Roman ", " Decimal ", " Bin "});
        QTest::newRow("none") << QByteArray("[Results]\r\n0=0,0,0,0\r\n5=0,0,0,5\r\n6=0,0,0,6\r\n")
                              << QStringList();
    }
    void oneBoxPerVisibleFormatInDisplayOrder()
    {
        QFETCH(QStringList, captions);
        Open(Fetch<QByteArray>("options"));
        QCOMPARE(Captions(), captions);
        int expected = 0;
        for (const TResultBox* box : View().Boxes()) {
            QCOMPARE(box->height(), box->Field()->height() + 30);
            QVERIFY(box->Field()->isReadOnly());
            expected += box->height() + 7;
        }
        QCOMPARE(View().height(), expected);
    }

    void theDefaultFormatHasABoldCaption()
    {
        Open("[Results]\r\nDefault=5\r\n");
        const QList<TResultBox*> boxes = View().Boxes();
        QVERIFY(!boxes[0]->font().bold());
        QVERIFY(boxes[1]->font().bold());
        QVERIFY(!boxes[1]->Field()->font().bold());
        QCOMPARE(View().GetFocusControl(), boxes[1]->Field());
    }

    void clickingABoxMakesItTheDefault()
    {
        Open("[Results]\r\nDefault=0\r\n");
        Type(QStringLiteral("255"));
        TResultBox* bin = View().Boxes().at(2);
        QTest::mouseClick(bin, Qt::LeftButton, {}, {30, 5});
        QVERIFY(bin->Format().IsDefault());
        QVERIFY(bin->font().bold());
        QVERIFY(!View().Boxes().at(0)->font().bold());
        QVERIFY(bin->Field()->hasFocus());
        QCOMPARE(bin->Field()->selectedText(), QStringLiteral("11111111"));
        QCoreApplication::processEvents(); // the commands are refreshed when idle
        FWindow->actnCopyResult->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("11111111"));
    }

    void aRightClickLeavesTheDefaultAlone()
    {
        Open("[Results]\r\nDefault=0\r\n");
        TResultBox* hex = View().Boxes().at(1);
        QTest::mousePress(hex, Qt::RightButton, {}, {30, 5});
        QTest::mouseRelease(hex, Qt::RightButton, {}, {30, 5});
        QTest::mousePress(hex->Field(), Qt::RightButton, {}, {5, 5});
        QTest::mouseRelease(hex->Field(), Qt::RightButton, {}, {5, 5});
        QVERIFY(View().Boxes().at(0)->Format().IsDefault());
        QVERIFY(!hex->font().bold());
    }

private:
    /// Right-clicks into the box's text field, as a user asking for its pop-up menu does.
    QMenu* RightClickField(TResultBox* box)
    {
        const QPoint pos(5, 5);
        QTest::mouseClick(box->Field(), Qt::RightButton, {}, pos);
        return OpenContextMenu(box->Field(), pos);
    }
    /// Chooses a menu item with the mouse, so that the menu closes before the item runs.
    static void Choose(QMenu& menu, const QString& text)
    {
        QAction* item = FindAction(menu, text);
        QVERIFY(item != nullptr);
        QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(item).center());
        QCoreApplication::processEvents();
    }
    void CopyDefault()
    {
        QCoreApplication::processEvents(); // the commands are refreshed when idle
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier);
    }

private slots:
    void closingABoxPopupLeavesTheDefaultAlone_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("item");
        QTest::newRow("copy default from hex") << 1 << "Copy Default Result";
        QTest::newRow("copy default from bin") << 2 << "Copy Default Result";
        QTest::newRow("copy selected") << 1 << "Copy Selected Result (Hex)";
        QTest::newRow("copy all") << 2 << "Copy All Results";
        QTest::newRow("show another format") << 1 << "Roman";
        QTest::newRow("dismissed") << 1 << QString();
    }
    void closingABoxPopupLeavesTheDefaultAlone()
    {
        QFETCH(int, box);
        QFETCH(QString, item);
        Open("[Results]\r\nDefault=0\r\n");
        Type(QStringLiteral("1994.5"));
        const QString decimal = ResultText(View(), QStringLiteral("Decimal"));
        QMenu* menu = RightClickField(View().Boxes().at(box));
        QVERIFY(menu != nullptr);
        if (item.isEmpty())
            QTest::keyClick(menu, Qt::Key_Escape);
        else
            Choose(*menu, item);
        QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        QCoreApplication::processEvents();
        TResultBox* first = View().Boxes().at(0);
        QVERIFY(first->Format().IsDefault());
        QVERIFY(first->font().bold());
        for (const TResultBox* other : View().Boxes().mid(1))
            QVERIFY(!other->font().bold());
        if (item == QStringLiteral("Copy Default Result"))
            QCOMPARE(QGuiApplication::clipboard()->text(), decimal);
        CopyDefault();
        QCOMPARE(QGuiApplication::clipboard()->text(), decimal);
    }

    void hidingAFormatThroughItsOwnBoxKeepsTheDefault()
    {
        Open("[Results]\r\nDefault=0\r\n");
        Type(QStringLiteral("1994.5"));
        const QString decimal = ResultText(View(), QStringLiteral("Decimal"));
        for (const QString& name : {QStringLiteral("Hex"), QStringLiteral("Bin")}) {
            QMenu* menu = RightClickField(View().Boxes().at(1));
            QVERIFY(menu != nullptr);
            Choose(*menu, name);
            QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        }
        QCoreApplication::processEvents();
        QCOMPARE(Captions(), QStringList({" Decimal "}));
        QVERIFY(View().Boxes().at(0)->Format().IsDefault());
        QVERIFY(View().Boxes().at(0)->font().bold());
        QCOMPARE(View().GetFocusControl(), View().Boxes().at(0)->Field());
        for (TResultProvider& format : Manager().Results().AllResults())
            QVERIFY(format.Visible() || !format.IsDefault());
        View().Boxes().at(0)->Field()->setFocus(Qt::OtherFocusReason);
        CopyDefault();
        QCOMPARE(QGuiApplication::clipboard()->text(), decimal);
    }

    void onlyALeftClickOrTheKeyboardSelectsABox_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("selects");
        QTest::newRow("left click") << "left" << 0 << true;
        QTest::newRow("middle click") << "middle" << 0 << false;
        QTest::newRow("tab") << "tab" << 0 << true;
        QTest::newRow("backtab") << "backtab" << 2 << true;
        QTest::newRow("back from a pop-up") << "popup" << 0 << false;
        QTest::newRow("window activated") << "activate" << 0 << false;
    }
    void onlyALeftClickOrTheKeyboardSelectsABox()
    {
        QFETCH(QString, how);
        QFETCH(int, from);
        QFETCH(bool, selects);
        Open("[Results]\r\nDefault=0\r\n");
        Type(QStringLiteral("1994.5"));
        TResultBox* hex = View().Boxes().at(1);
        View().Boxes().at(from)->Field()->setFocus(Qt::OtherFocusReason);
        if (how == QStringLiteral("left"))
            QTest::mouseClick(hex->Field(), Qt::LeftButton, {}, {5, 5});
        else if (how == QStringLiteral("middle"))
            QTest::mouseClick(hex->Field(), Qt::MiddleButton, {}, {5, 5});
        else if (how == QStringLiteral("tab"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        else if (how == QStringLiteral("backtab"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        else if (how == QStringLiteral("popup"))
            hex->Field()->setFocus(Qt::PopupFocusReason);
        else
            hex->Field()->setFocus(Qt::ActiveWindowFocusReason);
        QCoreApplication::processEvents();
        QVERIFY(hex->Field()->hasFocus());
        QCOMPARE(hex->Format().IsDefault(), selects);
        QCOMPARE(hex->font().bold(), selects);
        CopyDefault();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 selects ? hex->Field()->text() : ResultText(View(), QStringLiteral("Decimal")));
        if (selects)
            QCOMPARE(hex->Field()->selectedText(), hex->Field()->text());
    }

    void withoutDefaultNoFieldTakesTheFocus()
    {
        Open("[Results]\r\nDefault=-1\r\n");
        QCOMPARE(View().GetFocusControl(), nullptr);
    }

    void focusingAFieldMakesItTheDefault()
    {
        Open();
        QCOMPARE(View().GetFocusControl(), View().Boxes().at(0)->Field());
        TResultBox* hex = View().Boxes().at(1);
        hex->Field()->setFocus(Qt::TabFocusReason);
        QVERIFY(hex->Format().IsDefault());
        QCOMPARE(View().GetFocusControl(), hex->Field());
    }

    void hidingAFormatShrinksTheWindow_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("first") << "Decimal"
                               << "13";
        QTest::newRow("middle") << "Hex"
                                << "D";
        QTest::newRow("last") << "Bin"
                              << "1101";
    }
    void hidingAFormatShrinksTheWindow()
    {
        QFETCH(QString, format);
        Open();
        Type(QStringLiteral("13"));
        const int window = FWindow->height();
        const int expression = FWindow->ExpressionView()->height();
        const int box = View().Boxes().first()->height();
        ToggleFormat(format);
        QCOMPARE(View().Boxes().size(), 2);
        QCOMPARE(FWindow->height(), window - box - 7);
        QCOMPARE(FWindow->ExpressionView()->height(), expression);
        QVERIFY(!FWindow->ExpressionView()->IsMultiLine());
        ToggleFormat(format);
        QCOMPARE(View().Boxes().size(), 3);
        QCOMPARE(FWindow->height(), window);
        QCOMPARE(FWindow->ExpressionView()->height(), expression);
        QCOMPARE(ResultText(View(), format), Fetch<QString>("text"));
    }

    void showingAFormatGrowsTheWindow()
    {
        Open();
        const int window = FWindow->height();
        ToggleFormat(QStringLiteral("Roman"));
        QCOMPARE(Captions().size(), 4);
        QCOMPARE(FWindow->height(), window + View().Boxes().last()->height() + 7);
    }

    void aMaximizedWindowKeepsItsSize()
    {
        Open();
        FWindow->showMaximized();
        QTRY_VERIFY(FWindow->isMaximized());
        QCoreApplication::processEvents();
        const QSize size = FWindow->size();
        ToggleFormat(QStringLiteral("Hex"));
        QCOMPARE(View().Boxes().size(), 2);
        QCOMPARE(FWindow->size(), size);
    }

    void withoutVisibleFormatsThePopupStillListsThemAll()
    {
        Open("[Results]\r\n0=0,0,0,0\r\n5=0,0,0,5\r\n6=0,0,0,6\r\n");
        QCOMPARE(View().height(), 0);
        QMenu* menu = OpenContextMenu(FWindow->ExpressionView());
        QVERIFY(menu == nullptr); // the expression line has its own menu, not the view's
        menu = View().CreatePopup(nullptr);
        int formats = 0;
        for (const QAction* item : menu->actions())
            formats += item->isCheckable() ? 1 : 0;
        QCOMPARE(formats, 11);
        QAction* hex = FindAction(*menu, QStringLiteral("Hex"));
        QVERIFY(hex != nullptr && !hex->isChecked());
        hex->trigger();
        QCOMPARE(Captions(), QStringList({" Hex "}));
    }

    void thePopupOffersTheCommandsInOrder()
    {
        Open("[Results]\r\nDefault=0\r\n");
        Type(QStringLiteral("26"));
        QMenu* menu = OpenContextMenu(View().Boxes().at(1), {20, 30});
        QVERIFY(menu != nullptr);
        QStringList items;
        for (const QAction* item : menu->actions())
            items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        menu->close();
        QCOMPARE(items.mid(0, 4), QStringList({"Copy Default Result", "Copy Selected Result (Hex)",
                                               "Copy All Results", "-"}));
        QCOMPARE(items.size(), 4 + 11 + 2);
        QCOMPARE(items.last(), QStringLiteral("Result Formats..."));
        QAction* copySelected = menu->actions().at(1);
        copySelected->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("1A"));
    }

    void copyAllResultsEndsEveryLine()
    {
        Open();
        Type(QStringLiteral("12"));
        QMenu* menu = View().CreatePopup(nullptr);
        FindAction(*menu, QStringLiteral("Copy All Results"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("12\r\nC\r\n1100\r\n"));
    }

    void aFailedEvaluationKeepsTheLastValue()
    {
        Open();
        Type(QStringLiteral("7"));
        Type(QStringLiteral("+"));
        QCOMPARE(ResultText(View(), QStringLiteral("Decimal")), QStringLiteral("7"));
        QCOMPARE(ResultText(View(), QStringLiteral("Bin")), QStringLiteral("111"));
    }

    void formatSettingsRefreshTheTexts()
    {
        Open();
        Type(QStringLiteral("1234567"));
        Manager().Results().Items(0).SetChecked(true);
        QCOMPARE(ResultText(View(), QStringLiteral("Decimal")),
                 QStringLiteral("1\u00A0234\u00A0567"));
    }

    void rightAlignmentFollowsTheResults()
    {
        Open();
        Manager().Results().SetRightAlign(true);
        for (const TResultBox* box : View().Boxes()) {
            QVERIFY(box->Field()->RightAlign());
            QVERIFY(box->Field()->alignment() & Qt::AlignRight);
        }
        Manager().Results().SetRightAlign(false);
        for (const TResultBox* box : View().Boxes())
            QVERIFY(box->Field()->alignment() & Qt::AlignLeft);
    }

    void aNewFontRebuildsTheBoxes()
    {
        Open();
        const int window = FWindow->height();
        const int before = View().height();
        TFontData font = Manager().Font();
        font.Size *= 2;
        Manager().SetFont(font);
        const TResultBox* box = View().Boxes().first();
        QCOMPARE(box->Field()->font().pointSize(), font.Size);
        QCOMPARE(box->Field()->height(), QFontMetrics(box->Field()->font()).height());
        QVERIFY(View().height() > before);
        // The expression line's larger minimum may add to that.
        QVERIFY(FWindow->height() >= window + View().height() - before);
    }

    void theFieldsStayInsideTheirBoxes_data()
    {
        QTest::addColumn<int>("points");
        QTest::newRow("usual") << QApplication::font().pointSize();
        QTest::newRow("16 pt") << 16;
        QTest::newRow("24 pt") << 24;
    }
    void theFieldsStayInsideTheirBoxes()
    {
        QFETCH(int, points);
        const QFont saved = QApplication::font();
        QFont large = saved;
        large.setPointSize(points);
        QApplication::setFont(large);
        Open();
        QApplication::setFont(saved);
        Type(QStringLiteral("1994"));
        QVERIFY(!View().Boxes().isEmpty());
        for (const TResultBox* box : View().Boxes()) {
            const QRect inside = box->contentsRect();
            const QRect field = box->Field()->geometry();
            QVERIFY2(inside.contains(field),
                     qPrintable(QStringLiteral("%1: field %2,%3 %4x%5 outside %6,%7 %8x%9")
                                    .arg(box->title())
                                    .arg(field.x())
                                    .arg(field.y())
                                    .arg(field.width())
                                    .arg(field.height())
                                    .arg(inside.x())
                                    .arg(inside.y())
                                    .arg(inside.width())
                                    .arg(inside.height())));
        }
    }

    void theFieldsShareTheirBoxesBackground_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << false;
        QTest::newRow("dark") << true;
    }
    void theFieldsShareTheirBoxesBackground()
    {
        QFETCH(bool, dark);
        const QPalette saved = QApplication::palette();
        if (dark) {
            QPalette palette = saved;
            palette.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
            palette.setColor(QPalette::WindowText, Qt::white);
            palette.setColor(QPalette::Base, QColor(0x19, 0x19, 0x19));
            palette.setColor(QPalette::Text, Qt::white);
            QApplication::setPalette(palette);
        }
        Open();
        QApplication::setPalette(saved);
        for (TResultBox* box : View().Boxes()) {
            const QImage image = box->grab().toImage();
            const QRect field = box->Field()->geometry();
            // Right of any text (the box is empty), and beside the field within the frame.
            const QPoint inField(field.right() - 2, field.center().y());
            const QPoint beside(field.right() - 2, field.bottom() + 2);
            QVERIFY(box->contentsRect().contains(beside));
            QCOMPARE(image.pixelColor(inField * image.devicePixelRatio()).name(),
                     image.pixelColor(beside * image.devicePixelRatio()).name());
        }
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestResultsView)
#include "ResultsView_test.moc"
