// SPDX-License-Identifier: MIT
#include "core/alert.h"

#include <QTest>

using alerts::core::AlertChoice;
using alerts::core::AlertOption;
using alerts::core::AlertOptions;
Q_DECLARE_METATYPE(AlertOptions)
Q_DECLARE_METATYPE(AlertOption)

namespace {
constexpr AlertOptions kNone{};
constexpr AlertOptions kShow{.show = true};
constexpr AlertOptions kBoth{.both = true};
constexpr AlertOptions kSound{.sound = true};
constexpr AlertOptions kDisable{.disable = true};

// What the check box itself does before its handler runs.
AlertOptions toggled(AlertOptions options, AlertOption clicked) {
    bool& value = alerts::core::optionValue(options, clicked);
    value = !value;
    return options;
}

const char* nameOf(const AlertOptions& o) {
    if (o == kNone) {
        return "none";
    }
    if (o == kShow) {
        return "show";
    }
    if (o == kBoth) {
        return "both";
    }
    if (o == kSound) {
        return "sound";
    }
    return o == kDisable ? "disable" : "several";
}
} // namespace

class tst_alert final : public QObject {
    Q_OBJECT
private slots:
    // Every click on every one of the five states.
    void click_data() {
        QTest::addColumn<AlertOptions>("before");
        QTest::addColumn<AlertOption>("clicked");
        QTest::addColumn<AlertOptions>("after");
        const std::pair<AlertOption, AlertOptions> boxes[] = {{AlertOption::Show, kShow},
                                                              {AlertOption::Both, kBoth},
                                                              {AlertOption::Sound, kSound},
                                                              {AlertOption::Disable, kDisable}};
        const char* clickNames[] = {"show", "both", "sound", "disable"};
        for (const AlertOptions before : {kNone, kShow, kBoth, kSound, kDisable}) {
            for (int i = 0; i < 4; ++i) {
                const auto& [option, only] = boxes[i];
                // Clicking the checked box unchecks it; any other click leaves it the only one.
                const AlertOptions after = before == only ? kNone : only;
                QTest::addRow("%s, click %s", nameOf(before), clickNames[i])
                    << before << option << after;
            }
        }
    }
    void click() {
        QFETCH(AlertOptions, before);
        QFETCH(AlertOption, clicked);
        QFETCH(AlertOptions, after);
        QCOMPARE(alerts::core::afterClick(toggled(before, clicked), clicked), after);
    }

    void clearingOrder() {
        using enum AlertOption;
        using Order = std::array<AlertOption, 3>;
        QCOMPARE(alerts::core::clearedByClick(Show), (Order{Disable, Sound, Both}));
        QCOMPARE(alerts::core::clearedByClick(Both), (Order{Show, Disable, Sound}));
        QCOMPARE(alerts::core::clearedByClick(Sound), (Order{Show, Disable, Both}));
        QCOMPARE(alerts::core::clearedByClick(Disable), (Order{Show, Sound, Both}));
    }

    void choice_data() {
        QTest::addColumn<AlertOptions>("options");
        QTest::addColumn<bool>("popup");
        QTest::addColumn<bool>("sound");
        QTest::newRow("show") << kShow << true << false;
        QTest::newRow("both") << kBoth << true << true;
        QTest::newRow("sound") << kSound << false << true;
        QTest::newRow("disable") << kDisable << false << false;
        QTest::newRow("none") << kNone << false << false;
        // Several checked at once cannot come from clicks; the first in order decides.
        QTest::newRow("show and sound")
            << AlertOptions{.show = true, .sound = true} << true << false;
        QTest::newRow("both and show") << AlertOptions{.show = true, .both = true} << true << false;
        QTest::newRow("sound and both")
            << AlertOptions{.both = true, .sound = true} << true << true;
        QTest::newRow("disable and sound")
            << AlertOptions{.sound = true, .disable = true} << false << true;
        QTest::newRow("all") << AlertOptions{true, true, true, true} << true << false;
    }
    void choice() {
        QFETCH(AlertOptions, options);
        QFETCH(bool, popup);
        QFETCH(bool, sound);
        QCOMPARE(alerts::core::chooseAlert(options), (AlertChoice{.popup = popup, .sound = sound}));
    }
};

QTEST_GUILESS_MAIN(tst_alert)
#include "tst_alert.moc"
