// Settings edited or damaged outside the program: any stored value, of any type, under every entry the
// program reads. The first byte picks the store: the in-memory one filled from records
//   [entry] [type] [length] [bytes...]
// or (odd first byte) the rest written as the settings file itself and read through the file store.
// Whatever is stored, loading must give a selection in 1 to 5, window rectangles that are real
// rectangles, and a state that saves and loads back to itself.
#include "FuzzSupport.h"

#include "doc/PasswordsDialogModel.h"
#include "doc/PictoriumDoc.h"
#include "doc/WindowPlacement.h"
#include "platform/SettingsKeys.h"

#include <QRect>
#include <QtEndian>

#include <array>

using namespace veilpane;
using namespace veilpane::fuzz;

namespace {

// Every entry the program reads; a record names one by its place in this list.
const std::array<const char*, 18> Entries = {
    setting::Passwords[0].Name,    setting::Passwords[1].Name,    setting::Passwords[2].Name,
    setting::Passwords[3].Name,    setting::Passwords[4].Name,    setting::PasswordRadioCry.Name,
    setting::PasswordSaveCry.Name, setting::SecretMessage.Name,   setting::SecretMessageSave.Name,
    setting::CryMessageIn.Name,    setting::CryMessageOut.Name,   setting::CryMessagesInOutSave.Name,
    setting::FirstRunMarker.Name,  setting::FolderSelected.Name,  setting::MainWindowPos.Name,
    setting::MainWindowMax.Name,   setting::FolderWindowPos.Name, setting::ImgPrevWindowPos.Name,
};

void FillFromRecords(CInput& input, CSettingsStore& store) {
    while (!input.Empty()) {
        const QString entry = QLatin1String(Entries[input.Byte() % Entries.size()]);
        const std::uint8_t type = input.Byte() % 4;
        const QByteArray bytes = input.Bytes(input.Byte());
        switch (type) {
        case 0:
            store.WriteString(SettingsSection, entry, QString::fromUtf8(bytes));
            break;
        case 1: {
            QByteArray four = bytes.left(4);
            four.resize(4, '\0');
            store.WriteInt(SettingsSection, entry, qFromLittleEndian<qint32>(four.constData()));
            break;
        }
        case 2:
            store.WriteBinary(SettingsSection, entry, bytes);
            break;
        default: // text of UTF-16 units, lone surrogates included
            store.WriteString(SettingsSection, entry,
                              QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2));
            break;
        }
    }
}

struct CLoaded {
    CPasswordSet Set;
    QString SecretMessage, CryMessageIn, CryMessageOut;
    int SecretMessageSave = 0, CryMessagesInOutSave = 0;
    bool operator==(const CLoaded&) const = default;
};

QByteArray Describe(const CLoaded& loaded) {
    QByteArray text;
    for (const QByteArray& password : loaded.Set.Passwords) {
        text += "password " + password.toHex() + "\n";
    }
    text += "selected " + QByteArray::number(loaded.Set.PasswordRadioCry) + " save " +
            QByteArray::number(loaded.Set.PasswordSaveCry) + "\n";
    text += "secret " + loaded.SecretMessage.toUtf8().toHex() + " save " +
            QByteArray::number(loaded.SecretMessageSave) + "\n";
    text += "in " + loaded.CryMessageIn.toUtf8().toHex() + " out " + loaded.CryMessageOut.toUtf8().toHex() +
            " save " + QByteArray::number(loaded.CryMessagesInOutSave);
    return text;
}

CLoaded Load(CSettingsStore& store) {
    CDocServices services;
    services.Settings = &store;
    const CPictoriumDoc doc(services, QString());
    return {doc.PasswordSet,   doc.SecretMessage,     doc.CryMessageIn,
            doc.CryMessageOut, doc.SecretMessageSave, doc.CryMessagesInOutSave};
}

void Check(CSettingsStore& store) {
    CLoaded first = Load(store);
    const CPasswordSet& set = first.Set;
    FUZZ_CHECK(set.PasswordRadioCry >= 0 && set.PasswordRadioCry < PasswordCount);
    FUZZ_CHECK(set.SelectedIndex() == set.PasswordRadioCry);
    (void)set.DecryptionOrder();
    (void)CheckSelectedPassword(set);
    (void)CheckDefinedPasswords(set);
    const CPasswordsDialogModel model(set);
    FUZZ_CHECK(model.PasswordTexts.size() == PasswordCount);
    for (const CBinarySetting& key :
         {setting::MainWindowPos, setting::FolderWindowPos, setting::ImgPrevWindowPos}) {
        if (const std::optional<QRect> rect = ReadWindowRect(store, key)) {
            FUZZ_CHECK(rect->isValid() && rect->width() <= 100000 && rect->height() <= 100000);
            FUZZ_CHECK(DecodeWindowRect(EncodeWindowRect(*rect)) == rect);
        }
    }

    // What the program saves must load back as the same state.
    CMemorySettingsStore saved;
    saved.Write(setting::FirstRunMarker, 0); // not a first run
    {
        CDocServices services;
        services.Settings = &saved;
        CPictoriumDoc saver(services, QString());
        saver.PasswordSet = first.Set;
        saver.SecretMessage = first.SecretMessage;
        saver.SecretMessageSave = first.SecretMessageSave;
        saver.CryMessageIn = first.CryMessageIn;
        saver.CryMessageOut = first.CryMessageOut;
        saver.CryMessagesInOutSave = first.CryMessagesInOutSave;
        (void)saver.UpdateMessageToHideItem();
        saver.SaveSettings();
    }
    const CLoaded second = Load(saved);
    // A value its save flag hides is stored empty; everything else comes back.
    if (first.Set.PasswordSaveCry == 0) {
        first.Set.Passwords = {};
    }
    if (first.SecretMessageSave == 0) {
        first.SecretMessage.clear();
    }
    if (first.CryMessagesInOutSave == 0) {
        first.CryMessageIn.clear();
        first.CryMessageOut.clear();
    }
    if (!(second == first)) {
        std::fprintf(stderr, "loaded:\n%s\nsaved and loaded again:\n%s\n", Describe(first).constData(),
                     Describe(second).constData());
    }
    FUZZ_CHECK(second == first);
}

// Settings as the program saves them: in memory as records, and as the settings file itself.
QList<QByteArray> Seeds() {
    QByteArray records(1, 0);
    const auto add = [&](int entry, int type, const QByteArray& bytes) {
        records += static_cast<char>(entry);
        records += static_cast<char>(type);
        records += static_cast<char>(bytes.size());
        records += bytes;
    };
    add(0, 0, "corvide2741");
    add(1, 0, "second-pw");
    add(5, 1, QByteArray("\x01\0\0\0", 4));
    add(6, 1, QByteArray("\0\0\0\0", 4));
    add(7, 0, "the secret message");
    add(12, 1, QByteArray(4, '\0'));
    add(14, 2, QByteArray("\x10\0\0\0\x20\0\0\0\x10\x03\0\0\x20\x02\0\0", 16));
    add(5, 1, QByteArray("\xFF\xFF\xFF\x7F", 4));
    add(9, 3, QByteArray("\x00\xD8\x41\0", 4));

    const CScratchFolder folder;
    const QString path = folder.FilePath(QStringLiteral("settings.ini"));
    {
        CQtSettingsStore store(path);
        CDocServices services;
        services.Settings = &store;
        CPictoriumDoc doc(services, QString());
        doc.SecretMessage = QStringLiteral("line one\nline two, with = and ;");
        doc.SaveSettings();
        WriteWindowRect(store, setting::MainWindowPos, QRect(10, 20, 800, 600));
    }
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    const QByteArray ini = file.readAll();
    file.close();
    folder.Clear();
    return {records, QByteArray(1, 1) + ini};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartQt();
    WriteSeedsIfAsked(Seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CScratchFolder scratch;
    CInput input(data, size);
    if (input.Byte() & 1) {
        const QString path = scratch.FilePath(QStringLiteral("settings.ini"));
        {
            QFile file(path);
            const QByteArray bytes = input.Rest();
            FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        {
            CQtSettingsStore store(path);
            Check(store);
        }
        scratch.Clear();
    } else {
        CMemorySettingsStore store;
        FillFromRecords(input, store);
        Check(store);
    }
    return 0;
}
