#pragma once

#include "platform/database.h"
#include "platform/message_box.h"
#include "platform/query.h"
#include "records/DatenabrufDlg.h"
#include "records/NeuKundeDlg.h"
#include "records/NeuPrueflingDlg.h"
#include "records/ProgramDatabase.h"
#include "records/PrueflingDlg.h"
#include "records/RecordWindows.h"
#include "tester/Globals.h"
#include "tests/support/FakeTesterLink.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

// A message box as the test answers it.
struct ShownMessage {
    QString text;
    platform::MessageButtons buttons;
    platform::MessageIcon icon;
};

// A database file of its own, the four record windows wired as in the program, and message
// boxes answered by the test.
class RecordWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<platform::Database>(dir.filePath(QStringLiteral("Pruefdaten.sqlite")),
                                                  ProgramDatabaseSchema());
        platform::Database::SetCurrent(db.get());
        platform::setMessageBoxHandler(
            [this](const QString& text, platform::MessageButtons b, platform::MessageIcon i) {
                messages.push_back({text, b, i});
                return answer;
            });
        link.connected = false; // no port open until a test opens one
        datenabruf = std::make_unique<TDatenabrufDlg>(link, QString());
        pruefling = std::make_unique<TPrueflingDlg>(QString());
        neuKunde = std::make_unique<TNeuKundeDlg>();
        neuPruefling = std::make_unique<TNeuPrueflingDlg>();
        ConnectRecordWindows(*datenabruf, *pruefling, *neuKunde, *neuPruefling);
        Globals::Operator = QStringLiteral("Meier");
    }

    void TearDown() override {
        if (datenabruf->isVisible())
            datenabruf->done(QDialog::Accepted);
        neuPruefling.reset();
        neuKunde.reset();
        pruefling.reset();
        datenabruf.reset();
        platform::setMessageBoxHandler({});
        platform::Database::SetCurrent(nullptr);
        db.reset();
    }

    int64_t count(const char* table) {
        platform::TQuery q(nullptr, db.get());
        q.SQLAdd(QStringLiteral("select count(*) as N from \"%1\"").arg(QLatin1String(table)));
        q.Open();
        return q.FieldByName(QStringLiteral("N")).AsInteger();
    }

    void exec(const QString& sql) { db->Execute(sql); }

    int32_t addCustomer(const QString& name) {
        exec(QStringLiteral("insert into \"Kunden.db\" (Name1) values ('%1')").arg(name));
        return lastId();
    }
    int32_t addDevice(int32_t kunde, const QString& bezeichnung, const QString& barcode) {
        exec(QStringLiteral(
                 "insert into \"Prueflng.db\" (KundenNr, Bezeichnung, Barcode) values (%1, '%2', '%3')")
                 .arg(kunde)
                 .arg(bezeichnung, barcode));
        return lastId();
    }
    // A staging row as a fetch leaves it.
    void addStaging(int lfdNr, const QString& barcode, int32_t prueflingNr = 0, const QString& notiz = {}) {
        exec(QStringLiteral(
                 "insert into \"Uebernah.db\" (LfdNr, Barcode, PrueflingNr, Datum, \"GT-Seriennummer\", "
                 "Grenzwertflags, Menueflags, Schutzklasse, Messablauf, Schutzleiterwid, Isolationswid, "
                 "Ableitstrom, SchutzlStromL1N, SchutzlStromNL1, BeruehrungsstromL1N, "
                 "BeruehrungsstromNL1, Pruefungsergebnis, Notiz, Pruefer, GrwSchutzleiterwid, "
                 "GrwIsolationswid, GrwAbleitstrom, GrwSchutzleiterstrom, GrwBeruehrungsstrom, "
                 "GrwSchnellabschaltung, Sichtpruef) values (%1, '%2', %3, '2024-03-%4', '1234567890', "
                 "1, 70, 1, 64, %5, 2500, 30, 40, 41, 5, 6, 1, '%6', 'Meier', 300, 1000, 350, 50, 25, "
                 "1000, 1)")
                 .arg(lfdNr)
                 .arg(barcode)
                 .arg(prueflingNr)
                 .arg(10 + lfdNr)
                 .arg(100 + lfdNr)
                 .arg(notiz));
    }
    int32_t lastId() {
        platform::TQuery q(nullptr, db.get());
        q.SQLAdd(QStringLiteral("select last_insert_rowid() as Id"));
        q.Open();
        return q.FieldByName(QStringLiteral("Id")).AsInteger();
    }

    // Shows the retrieval dialog as the main window does (modal, without blocking the test).
    void showDatenabruf() {
        datenabruf->setModal(true);
        datenabruf->show();
        QApplication::processEvents();
    }

    // Runs body on the next modal dialog once it is shown. A dialog that is never shown stops
    // the polling when it is destroyed, so that no later test meets a stale pointer.
    static void whenShown(QDialog* dlg, std::function<void()> body) {
        auto* poll = new QTimer(dlg);
        QObject::connect(poll, &QTimer::timeout, dlg, [dlg, poll, body] {
            if (!dlg->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            body();
        });
        poll->start(5);
    }

    QString stagingField(int lfdNr, const char* field) {
        platform::TQuery q(nullptr, db.get());
        q.SQLAdd(QStringLiteral("select * from \"Uebernah.db\" where LfdNr = %1").arg(lfdNr));
        q.Open();
        return q.Eof() ? QStringLiteral("<none>") : q.FieldByName(QLatin1String(field)).AsString();
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::Database> db;
    FakeTesterLink link;
    std::vector<ShownMessage> messages;
    platform::MessageResult answer = platform::MessageResult::Yes;
    std::unique_ptr<TDatenabrufDlg> datenabruf;
    std::unique_ptr<TPrueflingDlg> pruefling;
    std::unique_ptr<TNeuKundeDlg> neuKunde;
    std::unique_ptr<TNeuPrueflingDlg> neuPruefling;
};
