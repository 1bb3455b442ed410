#pragma once

#include "platform/database.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "platform/query.h"
#include "records/ProgramDatabase.h"
#include "tester/Globals.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

struct StoredTest {
    int menueflags = 0;
    int schutzklasse = 1;
    int messablauf = 0;
    int grenzwertflags = 0;
    int sichtpruef = 1;
    bool ergebnis = true;
    QString notiz;
    QString pruefer;
    std::array<int, 7> values{150, 2500, 30, 40, 41, 5, 6};
    std::array<int, 6> limits{300, 500, 350, 50, 25, 1000};
};

// A database file of its own per test, message boxes and save dialogs answered by the test.
class BrowserFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<platform::Database>(dir.filePath(QStringLiteral("Pruefdaten.sqlite")),
                                                  ProgramDatabaseSchema());
        platform::Database::SetCurrent(db.get());
        previousBox = platform::setMessageBoxHandler(
            [this](const QString& text, platform::MessageButtons, platform::MessageIcon) {
                messages.push_back(text);
                return answer;
            });
        previousSave = platform::setSaveFileHandler([this](const platform::SaveFileRequest& r) {
            saveRequests.push_back(r);
            return saveAnswer;
        });
        Globals::aktCheckNumber = 0;
        Globals::ExportFile = 0;
        Globals::ExportFileName.clear();
        Globals::DecimalSeparator = u',';
        for (size_t i = 0; i < ExportColumnTable.size(); ++i)
            Globals::ExportColumns[i] = ExportColumnTable[i].Default;
    }
    void TearDown() override {
        platform::setMessageBoxHandler(previousBox);
        platform::setSaveFileHandler(previousSave);
        platform::Database::SetCurrent(nullptr);
    }

    QString ini() const { return dir.filePath(QStringLiteral("Kovent.INI")); }

    std::unique_ptr<platform::TQuery> live(const char* table) {
        auto q = std::make_unique<platform::TQuery>(nullptr, db.get());
        q->SQLAdd(QStringLiteral("select * from \"%1\"").arg(QString::fromLatin1(table)));
        q->SetRequestLive(true);
        q->Open();
        return q;
    }

    int addCustomer(const QString& name1, const QString& ort = QString()) {
        auto q = live("Kunden.db");
        q->Append();
        q->FieldByName(QStringLiteral("Name1")).SetAsString(name1);
        q->FieldByName(QStringLiteral("KdOrt")).SetAsString(ort);
        q->Post();
        return q->FieldByName(QStringLiteral("KundenNr")).AsInteger();
    }

    int addDevice(int kundenNr, const QString& bezeichnung, const QString& barcode = QString()) {
        auto q = live("Prueflng.db");
        q->Append();
        q->FieldByName(QStringLiteral("KundenNr")).SetAsInteger(kundenNr);
        q->FieldByName(QStringLiteral("Bezeichnung")).SetAsString(bezeichnung);
        q->FieldByName(QStringLiteral("Barcode")).SetAsString(barcode);
        q->Post();
        return q->FieldByName(QStringLiteral("PrueflingNr")).AsInteger();
    }

    using Test = StoredTest;

    int addTest(int prueflingNr, const Test& t = Test()) {
        auto q = live("Pruefung.db");
        q->Append();
        auto set = [&](const char* name, int v) {
            q->FieldByName(QString::fromLatin1(name)).SetAsInteger(v);
        };
        set("PrueflingNr", prueflingNr);
        q->FieldByName(QStringLiteral("Datum")).SetAsDate(QDate(2024, 3, 5));
        q->FieldByName(QStringLiteral("GT-Seriennummer")).SetAsString(QStringLiteral("0123456789"));
        set("Grenzwertflags", t.grenzwertflags);
        set("Menueflags", t.menueflags);
        set("Schutzklasse", t.schutzklasse);
        set("Messablauf", t.messablauf);
        const char* values[] = {"Schutzleiterwid",    "Isolationswid",   "Ableitstrom",
                                "SchutzlStromL1N",    "SchutzlStromNL1", "BeruehrungsstromL1N",
                                "BeruehrungsstromNL1"};
        for (int i = 0; i < 7; ++i)
            set(values[i], t.values[size_t(i)]);
        const char* limits[] = {"GrwSchutzleiterwid",   "GrwIsolationswid",    "GrwAbleitstrom",
                                "GrwSchutzleiterstrom", "GrwBeruehrungsstrom", "GrwSchnellabschaltung"};
        for (int i = 0; i < 6; ++i)
            set(limits[i], t.limits[size_t(i)]);
        q->FieldByName(QStringLiteral("Pruefungsergebnis")).SetAsBoolean(t.ergebnis);
        q->FieldByName(QStringLiteral("Notiz")).SetAsString(t.notiz);
        q->FieldByName(QStringLiteral("Pruefer")).SetAsString(t.pruefer);
        set("Sichtpruef", t.sichtpruef);
        q->Post();
        return q->FieldByName(QStringLiteral("PruefungsNr")).AsInteger();
    }

    int count(const char* table) {
        platform::TQuery q(nullptr, db.get());
        q.SQLAdd(QStringLiteral("select count(*) as n from \"%1\"").arg(QString::fromLatin1(table)));
        q.Open();
        return q.FieldByName(QStringLiteral("n")).AsInteger();
    }

    QString stored(const char* sql, const char* field) {
        platform::TQuery q(nullptr, db.get());
        q.SQLAdd(QString::fromUtf8(sql));
        q.Open();
        return q.FieldByName(QString::fromLatin1(field)).AsString();
    }

    static void leave(QWidget& w) {
        QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&w, &event);
    }

    static void typeText(QWidget& w, const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(&w, &press);
        }
    }

    static void processEvents() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::Database> db;
    std::vector<QString> messages;
    platform::MessageResult answer = platform::MessageResult::Ok;
    std::vector<platform::SaveFileRequest> saveRequests;
    platform::SaveFileResult saveAnswer;
    platform::MessageBoxHandler previousBox;
    platform::SaveFileHandler previousSave;
};
