#pragma once

// Parameter transfers between the table and the drive, as units a test can
// call: marking, collecting batches, building requests and decoding replies,
// in both protocol variants ("V1.1": 32-bit values, otherwise 16-bit).

#include "definitions/definitions.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QStringList>

class ParamTransfer
{
    Q_DECLARE_TR_FUNCTIONS(ParamTransfer)

public:
    enum MarkOp { MarkAllToRead = 1, MarkCheckedToRead = 2, MarkCheckedToWrite = 3, ClearResultMarks = 4 };
    static constexpr int kAllGroups = 99;

    // Batch sizes.
    static int readAllBatch(bool wide) { return wide ? 33 : 50; }
    static constexpr int kReadListBatch = 12;
    static constexpr int kDownloadBatch = 6;

    // Op 1 marks every parameter; ops 2 and 3 the checked ones of `group`
    // (all groups for 99); op 4 clears the result marks of `group`. Returns
    // false for an unknown op.
    static bool mark(Definitions &defs, int op, int group);

    // Codes with `bit` set, groups 0 to 20 in order, key order within, at
    // most `limit`.
    static QStringList collect(const Definitions &defs, quint16 bit, int limit);

    struct Request {
        bool ok = false;
        QByteArray payload;
        int txLen = 0;
        int rxLen = 0;
        QStringList sent; // codes that are in the payload
    };

    // Read a range: first and last code, count, 0. Not ok when either code
    // does not split into group and index bytes.
    static Request readRange(const QStringList &codes, bool wide);
    // Read listed codes: (group, index) pairs; codes that do not split into
    // bytes are left out, and the reply length counts only the codes sent.
    static Request readList(const QStringList &codes, bool wide);

    // Write: (group, index, value) items. A code whose group or index does
    // not fit a byte, or whose value is not a number or does not fit the
    // field, is not sent: it is reported in `refused` (code + reason) and no
    // longer marked for writing.
    static Request download(const QStringList &codes, Definitions &defs, bool wide, QStringList *refused);

    struct ReadResult {
        QStringList received; // codes answered, in reply order
        QStringList absent;   // codes the drive evidently lacks
        QStringList retry;    // codes asked again by the next batch
        bool markerSeen = false;
    };

    // Decodes a read reply for the codes `pending` asked for: stores the
    // values of the codes asked for (items naming others change nothing),
    // and unmarks the codes the drive lacks.
    static ReadResult decodeRead(const QByteArray &payload, const QStringList &pending, Definitions &defs, bool wide);

    // Decodes a write reply: "Success:%1", "Fail:%1" and the failure texts,
    // or nothing when neither count moved.
    static QStringList decodeDownload(const QByteArray &payload, Definitions &defs);

    // The text shown when a download ends; `failed` tells which box.
    static QString downloadSummary(int successTotal, int failTotal, const QStringList &details, bool *failed);

    // The decimal text of a value field as the parameter's width and sign
    // say.
    static QString valueText(quint32 field, const ParamRecord &p, bool wide);
};
