#include "UiTestSupport.h"
#include "ui/HostRegional.h"

#include <QLocale>

using namespace calc;
using namespace calc::test;

class TestHostRegional : public QObject {
    Q_OBJECT

private slots:
    void localesFillTheSettings_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("decimal");
        QTest::addColumn<QByteArray>("thousand");
        QTest::addColumn<QByteArray>("currency");
        QTest::addColumn<int>("currencyFormat");
        QTest::addColumn<QByteArray>("date");
        QTest::addColumn<QByteArray>("dateSeparator");
        QTest::newRow("United States")
            << "en_US" << QByteArray(".") << QByteArray(",") << QByteArray("$") << 0
            << QByteArray("M/d/yy") << QByteArray("/");
        // The euro sign has no 8-bit form: the currency's code stands in.
        QTest::newRow("Germany") << "de_DE" << QByteArray(",") << QByteArray(".")
                                 << QByteArray("EUR") << 3 << QByteArray("dd.MM.yy")
                                 << QByteArray(".");
        // The narrow no-break space between digit groups becomes the core's group mark.
        QTest::newRow("France") << "fr_FR" << QByteArray(",") << QByteArray("\xA0")
                                << QByteArray("EUR") << 3 << QByteArray("dd/MM/yyyy")
                                << QByteArray("/");
        QTest::newRow("Switzerland")
            << "de_CH" << QByteArray(".") << QByteArray("'") << QByteArray("CHF") << 3
            << QByteArray("dd.MM.yy") << QByteArray(".");
        QTest::newRow("Netherlands")
            << "nl_NL" << QByteArray(",") << QByteArray(".") << QByteArray("EUR") << 2
            << QByteArray("dd-MM-yyyy") << QByteArray("-");
        QTest::newRow("United Kingdom")
            << "en_GB" << QByteArray(".") << QByteArray(",") << QByteArray("\xA3") << 0
            << QByteArray("dd/MM/yyyy") << QByteArray("/");
        QTest::newRow("Brazil") << "pt_BR" << QByteArray(",") << QByteArray(".") << QByteArray("R$")
                                << 2 << QByteArray("dd/MM/yyyy") << QByteArray("/");
        QTest::newRow("Japan") << "ja_JP" << QByteArray(".") << QByteArray(",") << QByteArray("JPY")
                               << 0 << QByteArray("yyyy/MM/dd") << QByteArray("/");
    }
    void localesFillTheSettings()
    {
        const TRegionalSettings rs = RegionalSettingsFromLocale(QLocale(Fetch<QString>("locale")));
        QCOMPARE(QByteArray(1, rs.DecimalSeparator), Fetch<QByteArray>("decimal"));
        QCOMPARE(QByteArray(1, rs.ThousandSeparator), Fetch<QByteArray>("thousand"));
        QCOMPARE(QByteArray::fromStdString(rs.CurrencyString), Fetch<QByteArray>("currency"));
        QCOMPARE(rs.CurrencyFormat, Fetch<int>("currencyFormat"));
        QVERIFY(rs.NegCurrFormat >= 0 && rs.NegCurrFormat <= 15);
        QCOMPARE(QByteArray::fromStdString(rs.ShortDateFormat), Fetch<QByteArray>("date"));
        QCOMPARE(QByteArray(1, rs.DateSeparator), Fetch<QByteArray>("dateSeparator"));
    }

    void theCLocaleIsTheInvariantSet()
    {
        QCOMPARE(RegionalSettingsFromLocale(QLocale::c()), TRegionalSettings{});
    }

    void timeTextsWithout8BitFormsKeepTheirDefaults()
    {
        // "H時mm分ss秒": no separator the core can hold.
        const TRegionalSettings rs = RegionalSettingsFromLocale(QLocale(QStringLiteral("ja_JP")));
        QCOMPARE(rs.LongTimeFormat, TRegionalSettings{}.LongTimeFormat);
        QCOMPARE(rs.TimeSeparator, ':');
    }

    void currencyPatternsGetTheirCodes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("positive");
        QTest::addColumn<int>("negative");
        QTest::newRow("symbol first") << "\u00A41.00" << 0 << -1;
        QTest::newRow("symbol last") << "1.00\u00A4" << 1 << -1;
        QTest::newRow("symbol first, spaced") << "\u00A4\u00A01.00" << 2 << -1;
        QTest::newRow("symbol last, narrow space") << "1,00\u202F\u00A4" << 3 << -1;
        QTest::newRow("parentheses") << "(\u00A41.00)" << -1 << 0;
        QTest::newRow("minus first") << "-\u00A41.00" << -1 << 1;
        QTest::newRow("minus sign character") << "\u22121,00 \u00A4" << -1 << 8;
        QTest::newRow("minus after the symbol") << "\u00A4-1.00" << -1 << 2;
        QTest::newRow("minus last") << "1.00\u00A4-" << -1 << 7;
        QTest::newRow("spaced, minus inside") << "\u00A4 -1,00" << -1 << 12;
        QTest::newRow("parentheses, spaced last") << "(1,00 \u00A4)" << -1 << 15;
        QTest::newRow("direction marks dropped") << "\u200E-1.00 \u00A4" << -1 << 8;
        QTest::newRow("grouped amount") << "\u00A41,234,567.00" << 0 << -1;
        QTest::newRow("unknown layout") << "\u00A4\u00A41" << -1 << -1;
    }
    void currencyPatternsGetTheirCodes()
    {
        const QString marker = QStringLiteral("\u00A4");
        const QString pattern = CurrencyPattern(Fetch<QString>("text"), marker);
        QFETCH(int, positive);
        QFETCH(int, negative);
        QCOMPARE(PositiveCurrencyCode(pattern).value_or(-1), positive);
        QCOMPARE(NegativeCurrencyCode(pattern).value_or(-1), negative);
    }

    void dateFormatsConvert_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<char>("separator");
        QTest::newRow("month first") << "M/d/yy" << QByteArray("M/d/yy") << '/';
        QTest::newRow("year first") << "yyyy-MM-dd" << QByteArray("yyyy-MM-dd") << '-';
        QTest::newRow("blank and dot") << "d. M. yyyy" << QByteArray("d. M. yyyy") << '.';
        QTest::newRow("trailing dot dropped")
            << "yyyy. MM. dd." << QByteArray("yyyy. MM. dd") << '.';
        QTest::newRow("quoted text") << "dd'/'MM'/'yyyy" << QByteArray("dd/MM/yyyy") << '/';
        QTest::newRow("marks dropped") << "d\u200F/M\u200F/yyyy" << QByteArray("d/M/yyyy") << '/';
        QTest::newRow("no separator") << "yyyyMMdd" << QByteArray("yyyyMMdd") << '\0';
    }
    void dateFormatsConvert()
    {
        const TRegionalFormat converted = ConvertDateFormat(Fetch<QString>("format"));
        QCOMPARE(QByteArray::fromStdString(converted.Format), Fetch<QByteArray>("expected"));
        QCOMPARE(converted.Separator, Fetch<char>("separator"));
    }

    void timeFormatsConvert_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<char>("separator");
        QTest::newRow("24 hours") << "HH:mm:ss" << QByteArray("HH:mm:ss") << ':';
        // Without AM or PM the toolkit's "h" counts 24 hours.
        QTest::newRow("h without AM/PM") << "h:mm:ss" << QByteArray("H:mm:ss") << ':';
        QTest::newRow("12 hours") << "h:mm:ss AP" << QByteArray("h:mm:ss tt") << ':';
        QTest::newRow("lower-case am/pm") << "hh:mm ap" << QByteArray("hh:mm tt") << ':';
        QTest::newRow("time zone dropped") << "HH:mm:ss t" << QByteArray("HH:mm:ss") << ':';
        QTest::newRow("zone in brackets") << "H:mm:ss (t)" << QByteArray("H:mm:ss") << ':';
        QTest::newRow("milliseconds dropped") << "HH:mm:ss.zzz" << QByteArray("HH:mm:ss") << ':';
        QTest::newRow("dots") << "H.mm.ss" << QByteArray("H.mm.ss") << '.';
    }
    void timeFormatsConvert()
    {
        const TRegionalFormat converted = ConvertTimeFormat(Fetch<QString>("format"));
        QCOMPARE(QByteArray::fromStdString(converted.Format), Fetch<QByteArray>("expected"));
        QCOMPARE(converted.Separator, Fetch<char>("separator"));
    }
};

ZEMBRICAL_UI_TEST_MAIN(TestHostRegional)
#include "HostRegional_test.moc"
