#include "FrequencyCodec.h"

#include "RadioConfig.h"

#include <QtTest>

using namespace zekt;

namespace {

constexpr bool TX = true;
constexpr bool RX = false;

} // namespace

class FrequencyCodecTest : public QObject {
    Q_OBJECT

private slots:
    void encodes_data() {
        QTest::addColumn<float>("mhz");
        QTest::addColumn<bool>("transmit");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("word");
        QTest::newRow("TX 145,0125") << 145.0125f << TX << kVersion611 << 46404;
        QTest::newRow("RX 145,0125") << 145.0125f << RX << kVersion611 << 39556;
        QTest::newRow("RX 36 on 4.1.0") << 36.0f << RX << kVersion410 << 14944;
        QTest::newRow("RX 57,2 on 6.1.0") << 57.2f << RX << kVersion610 << 14880;
        QTest::newRow("RX 57,2 on 4.1.0") << 57.2f << RX << kVersion410 << 21728;
        QTest::newRow("RX 57,2 with no version") << 57.2f << RX << kNoVersion << 21728;
        QTest::newRow("TX 10") << 10.0f << TX << kVersion611 << 0xFFFF;
        QTest::newRow("RX 10") << 10.0f << RX << kVersion611 << 0xFFFF;
        QTest::newRow("TX 9,99") << 9.99f << TX << kVersion611 << 0xFFFF;
        QTest::newRow("zero") << 0.0f << TX << kVersion611 << 0xFFFF;
        QTest::newRow("negative") << -145.0f << RX << kVersion611 << 0xFFFF;
        QTest::newRow("TX 10,01") << 10.01f << TX << kVersion611 << 3203;
        QTest::newRow("RX 10,01 adds 10,7") << 10.01f << RX << kVersion611 << 6627;
        QTest::newRow("RX exactly 100 adds 10,7") << 100.0f << RX << kVersion410 << 35424;
        QTest::newRow("RX exactly 100 on 6.1.1") << 100.0f << RX << kVersion611 << 28576;
        QTest::newRow("RX 100,0125 subtracts 21,4") << 100.0125f << RX << kVersion410 << 25156;
        QTest::newRow("RX exactly 57 on 6.1.1") << 57.0f << RX << kVersion611 << 14816;
        QTest::newRow("RX exactly 57 on 4.1.0") << 57.0f << RX << kVersion410 << 21664;
        QTest::newRow("RX 56,99 on 6.1.1 adds") << 56.99f << RX << kVersion611 << 21661;
        // 100,0078125 x 320 is exactly 32002,5: halfway goes up.
        QTest::newRow("halfway") << 100.0078125f << TX << kVersion611 << 32003;
        QTest::newRow("just below halfway") << 100.0078f << TX << kVersion611 << 32002;
        QTest::newRow("off-grid 145,0126") << 145.0126f << TX << kVersion611 << 46404;
        // A high byte 0xFF would read as an empty channel, and a word above
        // 0xFFFF would be truncated: both are the invalid word.
        QTest::newRow("TX 203,996875 fits") << 203.996875f << TX << kVersion611 << 0xFEFF;
        QTest::newRow("TX 204 empty high byte") << 204.0f << TX << kVersion611 << 0xFFFF;
        QTest::newRow("TX 204,79 empty high byte") << 204.79f << TX << kVersion611 << 0xFFFF;
        QTest::newRow("RX 225,4 empty high byte") << 225.4f << RX << kVersion611 << 0xFFFF;
        QTest::newRow("TX 204,8 overflows") << 204.8f << TX << kVersion611 << 0xFFFF;
        QTest::newRow("TX 210") << 210.0f << TX << kVersion611 << 0xFFFF;
        QTest::newRow("RX 226,19 empty high byte") << 226.19f << RX << kVersion611 << 0xFFFF;
        QTest::newRow("RX 226,2 overflows") << 226.2f << RX << kVersion611 << 0xFFFF;
        QTest::newRow("huge") << 1e30f << TX << kVersion611 << 0xFFFF;
    }
    void encodes() {
        QFETCH(float, mhz);
        QFETCH(bool, transmit);
        QFETCH(int, version);
        QFETCH(int, word);
        QCOMPARE(FrequencyToWord(mhz, transmit, version), word);
    }

    void decodesOneWord_data() {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<bool>("transmit");
        QTest::addColumn<QString>("text");
        QTest::newRow("TX 145,0125") << 0xB5 << 0x44 << TX << "145,0125";
        QTest::newRow("RX oscillator of 145,0125") << 0x9A << 0x84 << RX << "145,0125";
        QTest::newRow("TX 33") << 0x29 << 0x40 << TX << "33";
        QTest::newRow("RX 43,7 word as TX") << 0x36 << 0xA0 << TX << "43,7";
        QTest::newRow("RX of 46,7 MHz oscillator") << 0x3A << 0x60 << RX << "36";
        QTest::newRow("RX word exactly 32000 subtracts") << 0x7D << 0x00 << RX << "89,3";
        QTest::newRow("RX word 32001 adds 21,4") << 0x7D << 0x01 << RX << "121,403125";
        QTest::newRow("RX 57,2 on 6.1.x reads back lower") << 0x3A << 0x20 << RX << "35,8";
        QTest::newRow("empty high byte") << 0xFF << 0x12 << TX << "";
        QTest::newRow("empty high byte RX") << 0xFF << 0xFF << RX << "";
        QTest::newRow("bytes masked to 8 bits") << 0x3FB5 << 0x3F44 << TX << "145,0125";
        QTest::newRow("zero word RX goes negative") << 0 << 0 << RX << "-10,7";
    }
    void decodesOneWord() {
        QFETCH(int, high);
        QFETCH(int, low);
        QFETCH(bool, transmit);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(WordToText(high, low, transmit)), text);
    }

    void decodesAChannel_data() {
        QTest::addColumn<int>("tx");
        QTest::addColumn<int>("rx");
        QTest::addColumn<QString>("txText");
        QTest::addColumn<QString>("rxText");
        QTest::newRow("144 MHz band") << 46404 << 39556 << "145,0125"
                                      << "145,0125";
        QTest::newRow("both 57,2 on 6.1.1") << 18304 << 14880 << "57,2"
                                            << "57,2";
        QTest::newRow("both 40 MHz") << 12800 << 16224 << "40"
                                     << "40";
        // TX below 57 MHz and RX encoded above it: RX reads 21,4 MHz lower.
        QTest::newRow("sides of 57 MHz differ") << 16000 << 14816 << "50"
                                                << "35,6";
        QTest::newRow("TX word exactly 18240") << 18240 << 14816 << "57"
                                               << "57";
        QTest::newRow("TX word exactly 32000") << 32000 << 31776 << "100"
                                               << "110";
        // A channel programmed without its receive frequency reads back empty.
        QTest::newRow("RX high byte 0xFF is empty") << 12800 << 0xFFFF << "40"
                                                    << "";
        QTest::newRow("RX 0xFF above 100 MHz") << 46404 << 0xFF00 << "145,0125"
                                               << "";
    }
    void decodesAChannel() {
        QFETCH(int, tx);
        QFETCH(int, rx);
        QFETCH(QString, txText);
        QFETCH(QString, rxText);
        const ChannelTexts t = ChannelToText(tx >> 8, tx & 0xFF, rx >> 8, rx & 0xFF);
        QCOMPARE(QString::fromStdString(t.tx), txText);
        QCOMPARE(QString::fromStdString(t.rx), rxText);
    }

    void emptyTxEmptiesTheWholeChannel() {
        const ChannelTexts t = ChannelToText(0xFF, 0x00, 0x9A, 0x84);
        QVERIFY(t.tx.empty());
        QVERIFY(t.rx.empty());
    }

    void roundTripsWhereBothSidesAgree() {
        for (const float mhz : {33.0f, 40.025f, 48.5f, 57.0f, 57.2f, 144.0f, 145.0125f, 174.0f}) {
            const int tx = FrequencyToWord(mhz, TX, kVersion611);
            const int rx = FrequencyToWord(mhz, RX, kVersion611);
            const ChannelTexts t = ChannelToText(tx >> 8, tx & 0xFF, rx >> 8, rx & 0xFF);
            QCOMPARE(t.tx, t.rx);
            QCOMPARE(t.tx, WordToText(tx >> 8, tx & 0xFF, TX));
        }
    }

    void textForm() {
        QCOMPARE(FrequencyText(33.0), std::string("33"));
        QCOMPARE(FrequencyText(43.7), std::string("43,7"));
        QCOMPARE(FrequencyText(145.0125), std::string("145,0125"));
        QCOMPARE(FrequencyText(0.1 + 0.2), std::string("0,3"));
        QCOMPARE(FrequencyText(-10.7), std::string("-10,7"));
    }

    void parsing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<float>("value");
        QTest::newRow("comma") << "145,0125" << true << 145.0125f;
        QTest::newRow("dot") << "145.0125" << true << 145.0125f;
        QTest::newRow("whole") << "40" << true << 40.0f;
        QTest::newRow("spaces around") << "  40,5 " << true << 40.5f;
        QTest::newRow("plus sign") << "+57" << true << 57.0f;
        QTest::newRow("minus sign") << "-5" << true << -5.0f;
        QTest::newRow("exponent") << "1,45E2" << true << 145.0f;
        QTest::newRow("leading comma") << ",5" << true << 0.5f;
        QTest::newRow("empty") << "" << false << 0.0f;
        QTest::newRow("blank") << "   " << false << 0.0f;
        QTest::newRow("letters") << "abc" << false << 0.0f;
        QTest::newRow("trailing letters") << "145МГц" << false << 0.0f;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0f;
        QTest::newRow("comma and dot") << "1.2,3" << false << 0.0f;
        QTest::newRow("comma alone") << "," << false << 0.0f;
        QTest::newRow("infinity") << "inf" << false << 0.0f;
        QTest::newRow("not a number") << "nan" << false << 0.0f;
        QTest::newRow("hexadecimal") << "0x10" << false << 0.0f;
        QTest::newRow("double sign") << "--5" << false << 0.0f;
        QTest::newRow("too large for a float") << "1e39" << false << 0.0f;
    }
    void parsing() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(float, value);
        const std::optional<float> parsed = ParseFrequency(text.toStdString());
        QCOMPARE(parsed.has_value(), valid);
        if (valid) {
            QCOMPARE(*parsed, value);
        }
    }

    void conversionErrorQuotesTheText() {
        QCOMPARE(ConversionErrorText("Канал 3, передача", "14a5.5"),
                 std::string("Канал 3, передача: «14a5.5» — не число. Введите частоту в МГц, "
                             "например 145,0125."));
    }

    void ctcssTable() {
        QCOMPARE(kCtcssToneTexts.size(), std::size_t(38));
        QCOMPARE(std::string(kCtcssToneTexts[0]), std::string("67"));
        QCOMPARE(std::string(kCtcssToneTexts[11]), std::string("100"));
        QCOMPARE(std::string(kCtcssToneTexts[19]), std::string("131,8"));
        QCOMPARE(std::string(kCtcssToneTexts[20]), std::string("136,5"));
        QCOMPARE(std::string(kCtcssToneTexts[37]), std::string("250,3"));
        QCOMPARE(kCtcssListedTones, 20);
    }
};

QTEST_APPLESS_MAIN(FrequencyCodecTest)
#include "FrequencyCodecTest.moc"
