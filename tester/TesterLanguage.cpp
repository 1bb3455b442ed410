#include "tester/TesterLanguage.h"

const std::array<TSprache, 16> LanguageTable{{
    {"de", "deutsch"},
    {"en", "englisch"},
    {"fr", "französisch"},
    {"sp", "spanisch"},
    {"po", "portugiesisch"},
    {"ne", "niederländisch"},
    {"it", "italienisch"},
    {"sw", "schwedisch"},
    {"no", "norwegisch"},
    {"da", "dänisch"},
    {"fi", "finnisch"},
    {"pl", "polnisch"},
    {"cz", "tschechisch"},
    {"sl", "slowakisch"},
    {"hu", "ungarisch"},
    {"sk", "serbokroatisch"},
}};

QString LanguageDialogItem(const QString& code) {
    for (const TSprache& s : LanguageTable)
        if (code == QLatin1String(s.Code))
            return code + QStringLiteral(" (") + QString::fromUtf8(s.Name) + u')';
    return code;
}

QStringList SplitLanguageList(const QString& list) {
    if (list.isEmpty())
        return {};
    return list.split(u',');
}

std::optional<int> LanguageListIndex(const QString& list, const QString& code) {
    if (code.isEmpty())
        return std::nullopt;
    const QStringList parts = SplitLanguageList(list);
    for (int i = 0; i < parts.size(); ++i)
        if (parts[i].compare(code, Qt::CaseInsensitive) == 0)
            return i;
    return std::nullopt;
}

TLanguageChoice LanguageChoice(const QString& list, int current) {
    TLanguageChoice c;
    const QStringList parts = SplitLanguageList(list);
    for (int i = 0; i < parts.size(); ++i) {
        if (parts[i].isEmpty())
            continue;
        if (i == current)
            c.Selected = static_cast<int>(c.Items.size());
        c.Items << LanguageDialogItem(parts[i]);
        c.EntryIndex.push_back(i);
    }
    return c;
}

bool TTesterLanguage::request(uint8_t sub, const TMsgData& data, TProtok& answer) {
    return link_.RequestMsg(sub, data, link_.AnswerTimeout(TTimeoutClass::tcRam), answer);
}

namespace {
QString twoChars(const TProtok& f, size_t first) {
    QString s;
    s += QChar(static_cast<char16_t>(f[first]));
    s += QChar(static_cast<char16_t>(f[first + 1]));
    return s;
}
} // namespace

QString TTesterLanguage::GetTesterLanguage() {
    QString code;
    if (link_.FirmwareLevel() == 0)
        return code;
    link_.PauseRefresh();
    for (int attempt = 0; attempt < 3 && code.isEmpty(); ++attempt) {
        TProtok answer{};
        if (request(MsgQueryLanguage, {}, answer))
            code = twoChars(answer, 5); // d1, d2
    }
    link_.ResumeRefresh();
    return code;
}

bool TTesterLanguage::GetLanguageEntry(int Index, int& Count, int& Current, QString& Code) {
    Code.clear();
    for (int attempt = 0; attempt < 3; ++attempt) {
        TProtok answer{};
        if (!request(MsgQueryLanguageEntry, TMsgData(1, static_cast<char>(Index)), answer))
            continue;
        if (answer[5] != 0)
            Code = twoChars(answer, 6); // d2, d3
        Count = answer[8];
        Current = answer[9];
        return true;
    }
    return false;
}

void TTesterLanguage::GetTesterLanguageList(int& Current, QString& List) {
    List.clear();
    if (link_.FirmwareLevel() == 0)
        return;
    link_.PauseRefresh();
    int count = 0;
    Current = 0;
    QString code;
    GetLanguageEntry(0, count, Current, code);
    List = code;
    // Entries without a code keep their place, so that a part's position is the entry
    // index the tester expects back.
    for (int i = 1; i < count; ++i) {
        int ignoredCount = 0;
        int ignoredCurrent = 0;
        GetLanguageEntry(i, ignoredCount, ignoredCurrent, code);
        List += u',' + code;
    }
    link_.ResumeRefresh();
}

void TTesterLanguage::SetTesterLanguage(const QString& Code,
                                        const std::function<void(const QString&)>& shown) {
    if (link_.FirmwareLevel() == 0)
        return;
    link_.PauseRefresh();
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!link_.Connected())
            return; // the link is gone; the refresh stays paused as after any lost link
        TProtok block{};
        if (!request(MsgQueryFlags, {}, block))
            continue;
        if (!(block[4 + TesterSettingsBlock::Language] & TesterSettingsBlock::LanguageSettable))
            break;
        int current = 0;
        QString list;
        GetTesterLanguageList(current, list);
        const std::optional<int> index = LanguageListIndex(list, Code);
        bool done = !index; // a code the tester does not know is not sent
        if (index) {
            TProtok answer{};
            done = request(MsgSetLanguage, TMsgData(1, static_cast<char>(*index)), answer);
        }
        const QString now = GetTesterLanguage();
        if (shown)
            shown(now);
        if (done)
            break;
    }
    link_.ResumeRefresh();
}
