#pragma once

#include "tester/TesterSettings.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

// One display language of the tester: the tester's two-letter code and the German name.
struct TSprache {
    const char* Code;
    const char* Name;
};
extern const std::array<TSprache, 16> LanguageTable;

// Item of the language dialog: "de (deutsch)" for a code of LanguageTable, else the bare code.
QString LanguageDialogItem(const QString& code);

// The tester's list as the language routines pass it: codes separated by ",", each at the
// position of its entry in the tester's list (an entry without a code leaves an empty part).
QStringList SplitLanguageList(const QString& list);
// Entry index of code in the list (letter case ignored), or nothing.
std::optional<int> LanguageListIndex(const QString& list, const QString& code);

// The language dialog's items: every entry with a code, and the entry index of each.
struct TLanguageChoice {
    QStringList Items;
    std::vector<int> EntryIndex;
    int Selected = -1; // the item of the current language, -1 when it has none
};
TLanguageChoice LanguageChoice(const QString& list, int current);

// The tester's display language through the link.
class TTesterLanguage {
public:
    explicit TTesterLanguage(ITesterLink& link) : link_(link) {}

    // The current code; empty without an answer or at firmware level 0.
    QString GetTesterLanguage();
    // The tester's codes and the index of its current language.
    void GetTesterLanguageList(int& Current, QString& List);
    // One entry of the tester's list; Count and Current stay as they were without an answer.
    bool GetLanguageEntry(int Index, int& Count, int& Current, QString& Code);
    // Makes the tester show Code when it allows the change and knows the code; shown gets
    // the tester's code after every attempt.
    void SetTesterLanguage(const QString& Code, const std::function<void(const QString&)>& shown);

private:
    bool request(uint8_t sub, const TMsgData& data, TProtok& answer);

    ITesterLink& link_;
};
