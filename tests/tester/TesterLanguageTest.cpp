#include "tester/TesterLanguage.h"
#include "tests/support/FakeTesterLink.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A tester with a language list that answers $34, $3B, $15 and $69.
class LanguageTester : public FakeTesterLink {
public:
    bool settable = true;
    std::vector<std::string> list{"de", "en", "fr"};
    int current = 1;

    // The requests, with the data byte where there is one.
    std::vector<std::string> log() const {
        std::vector<std::string> names;
        for (const Request& r : requests) {
            char name[16];
            if (r.data.empty())
                std::snprintf(name, sizeof name, "$%02X", r.sub);
            else
                std::snprintf(name, sizeof name, "$%02X:%d", r.sub, r.data[0]);
            names.push_back(name);
        }
        return names;
    }
    int pauses() const { return static_cast<int>(count("pause")); }
    int resumes() const { return static_cast<int>(count("resume")); }

protected:
    bool Respond(const Request& r, TProtok& A) override {
        switch (r.sub) {
        case MsgQueryFlags:
            A[5] = settable ? 4 : 0;
            return true;
        case MsgQueryLanguage: {
            const std::string& c = list.at(static_cast<size_t>(current));
            A[5] = static_cast<uint8_t>(c.empty() ? 0 : c[0]);
            A[6] = static_cast<uint8_t>(c.empty() ? 0 : c[1]);
            return true;
        }
        case MsgQueryLanguageEntry: {
            const size_t i = r.data[0];
            if (i < list.size() && !list[i].empty()) {
                A[5] = 1;
                A[6] = static_cast<uint8_t>(list[i][0]);
                A[7] = static_cast<uint8_t>(list[i][1]);
            }
            A[8] = static_cast<uint8_t>(list.size());
            A[9] = static_cast<uint8_t>(current);
            return true;
        }
        case MsgSetLanguage:
            current = r.data[0];
            return true;
        }
        return false;
    }
};

} // namespace

TEST(TesterLanguage, DialogItemsCarryTheGermanName) {
    EXPECT_EQ(LanguageDialogItem("de"), QStringLiteral("de (deutsch)"));
    EXPECT_EQ(LanguageDialogItem("fr"), QStringLiteral("fr (französisch)"));
    EXPECT_EQ(LanguageDialogItem("sk"), QStringLiteral("sk (serbokroatisch)"));
    EXPECT_EQ(LanguageDialogItem("xx"), QStringLiteral("xx"));
    EXPECT_EQ(LanguageDialogItem("DE"), QStringLiteral("DE")); // exact comparison
}

TEST(TesterLanguage, ListAndCurrentFromTheTester) {
    LanguageTester t;
    TTesterLanguage lang(t);
    int current = -1;
    QString list;
    lang.GetTesterLanguageList(current, list);
    EXPECT_EQ(list, QStringLiteral("de,en,fr"));
    EXPECT_EQ(current, 1);
    EXPECT_EQ(t.log(), (std::vector<std::string>{"$15:0", "$15:1", "$15:2"}));
    EXPECT_EQ(t.pauses(), 1);
    EXPECT_EQ(t.resumes(), 1);

    const TLanguageChoice c = LanguageChoice(list, current);
    EXPECT_EQ(c.Items, (QStringList{"de (deutsch)", "en (englisch)", "fr (französisch)"}));
    EXPECT_EQ(c.Selected, 1);
}

TEST(TesterLanguage, EntriesWithoutCodeKeepTheIndicesOfTheOthers) {
    LanguageTester t;
    t.list = {"", "en", "", "fr"};
    t.current = 3;
    TTesterLanguage lang(t);
    int current = 0;
    QString list;
    lang.GetTesterLanguageList(current, list);
    EXPECT_EQ(list, QStringLiteral(",en,,fr"));
    EXPECT_EQ(LanguageListIndex(list, "FR"), 3);
    const TLanguageChoice c = LanguageChoice(list, current);
    EXPECT_EQ(c.Items, (QStringList{"en (englisch)", "fr (französisch)"}));
    EXPECT_EQ(c.EntryIndex, (std::vector<int>{1, 3}));
    EXPECT_EQ(c.Selected, 1);

    t.clear();
    QString shown = "?";
    lang.SetTesterLanguage("fr", [&](const QString& code) { shown = code; });
    const std::vector<std::string> log = t.log();
    EXPECT_NE(std::find(log.begin(), log.end(), "$69:3"), log.end());
    EXPECT_EQ(shown, QStringLiteral("fr"));
}

TEST(TesterLanguage, ConnectSetsGermanAtItsPosition) {
    LanguageTester t;
    t.list = {"en", "de"};
    t.current = 0;
    TTesterLanguage lang(t);
    QString shown;
    lang.SetTesterLanguage("de", [&](const QString& code) { shown = code; });
    EXPECT_EQ(t.log(), (std::vector<std::string>{"$34", "$15:0", "$15:1", "$69:1", "$3B"}));
    EXPECT_EQ(shown, QStringLiteral("de"));
    for (const auto& r : t.requests)
        EXPECT_EQ(r.timeout, t.ramMs) << "every language request waits class R: $" << std::hex << int(r.sub);
}

TEST(TesterLanguage, TesterWithoutGermanGetsNoLanguageCommand) {
    LanguageTester t;
    t.list = {"en", "fr"};
    TTesterLanguage lang(t);
    QString shown;
    lang.SetTesterLanguage("de", [&](const QString& code) { shown = code; });
    for (const std::string& r : t.log())
        EXPECT_NE(r.substr(0, 3), "$69") << r;
    EXPECT_EQ(shown, QStringLiteral("fr"));
    EXPECT_EQ(t.pauses(), t.resumes());
}

TEST(TesterLanguage, LockedTesterGetsOnlyTheSettingsRead) {
    LanguageTester t;
    t.settable = false;
    TTesterLanguage lang(t);
    lang.SetTesterLanguage("de", {});
    EXPECT_EQ(t.log(), (std::vector<std::string>{"$34"}));
}

TEST(TesterLanguage, LevelZeroSendsNothing) {
    LanguageTester t;
    t.level = 0;
    TTesterLanguage lang(t);
    EXPECT_EQ(lang.GetTesterLanguage(), QString());
    int current = 0;
    QString list = "x";
    lang.GetTesterLanguageList(current, list);
    EXPECT_EQ(list, QString());
    lang.SetTesterLanguage("de", {});
    EXPECT_TRUE(t.log().empty());
    EXPECT_EQ(t.pauses(), 0);
}

TEST(TesterLanguage, SilentTesterGivesEmptyCodeAfterThreeTries) {
    LanguageTester t;
    t.answers = false;
    TTesterLanguage lang(t);
    EXPECT_EQ(lang.GetTesterLanguage(), QString());
    EXPECT_EQ(t.log().size(), 3u);
    t.clear();
    int current = 5;
    QString list;
    lang.GetTesterLanguageList(current, list);
    EXPECT_EQ(list, QString());
    EXPECT_EQ(t.log().size(), 3u); // only entry 0 is asked for
}

TEST(TesterLanguage, ClosedPortStopsSettingWithoutResume) {
    LanguageTester t;
    t.connected = false;
    TTesterLanguage lang(t);
    lang.SetTesterLanguage("de", {});
    EXPECT_TRUE(t.log().empty());
    EXPECT_EQ(t.pauses(), 1);
    EXPECT_EQ(t.resumes(), 0);
}
