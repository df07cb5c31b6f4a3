#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

namespace veilpane {

// The section every value of the program lives in.
inline const QString SettingsSection = QStringLiteral("DataApp");

// One entry of SettingsSection and the type it is stored as; SettingsKeys.h lists the program's entries.
struct CIntSetting {
    const char* Name;
    int Default; // what an absent entry, or one that is not a number, reads as
};
struct CTextSetting {
    const char* Name; // an absent entry reads as empty text
};
struct CBinarySetting {
    const char* Name; // an absent entry reads as nothing
};

// The largest settings file read: five passwords and three texts of at most a megabyte each, with room.
inline constexpr qint64 MaxSettingsFileBytes = 16 * 1024 * 1024;

// The per-user settings the program keeps, by section and entry. Absent entries give the caller's default.
class CSettingsStore {
public:
    virtual ~CSettingsStore() = default;
    virtual QString GetString(const QString& section, const QString& entry,
                              const QString& fallback) const = 0;
    virtual int GetInt(const QString& section, const QString& entry, int fallback) const = 0;
    virtual std::optional<QByteArray> GetBinary(const QString& section, const QString& entry) const = 0;
    virtual void WriteString(const QString& section, const QString& entry, const QString& value) = 0;
    virtual void WriteInt(const QString& section, const QString& entry, int value) = 0;
    virtual void WriteBinary(const QString& section, const QString& entry, const QByteArray& value) = 0;

    // The same, for one entry of SettingsSection.
    int Get(const CIntSetting& key) const;
    QString Get(const CTextSetting& key) const;
    std::optional<QByteArray> Get(const CBinarySetting& key) const;
    void Write(const CIntSetting& key, int value);
    void Write(const CTextSetting& key, const QString& value);
    void Write(const CBinarySetting& key, const QByteArray& value);
};

// QSettings under organisation and application "Veilpane" (or a given file for tests). The file holds
// passwords, so it and its folder are created readable by the owner only; opening the store and every save
// make an existing file owner-only again.
class CQtSettingsStore final : public CSettingsStore {
public:
    CQtSettingsStore();                                // the user's settings
    explicit CQtSettingsStore(const QString& iniFile); // a file of the caller's choosing
    ~CQtSettingsStore() override;

    QString GetString(const QString& section, const QString& entry, const QString& fallback) const override;
    int GetInt(const QString& section, const QString& entry, int fallback) const override;
    std::optional<QByteArray> GetBinary(const QString& section, const QString& entry) const override;
    void WriteString(const QString& section, const QString& entry, const QString& value) override;
    void WriteInt(const QString& section, const QString& entry, int value) override;
    void WriteBinary(const QString& section, const QString& entry, const QByteArray& value) override;

    QString FileName() const;
    // When the file under the settings' name could not be read as settings (not a regular file, or larger
    // than MaxSettingsFileBytes) it was set aside and the store started empty: what the user should be told.
    QString SetAsideNote() const;

private:
    void Store(const QString& section, const QString& entry, const QVariant& value);
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Settings held in memory: for tests, and for runs that must leave the user's settings alone.
class CMemorySettingsStore final : public CSettingsStore {
public:
    QString GetString(const QString& section, const QString& entry, const QString& fallback) const override;
    int GetInt(const QString& section, const QString& entry, int fallback) const override;
    std::optional<QByteArray> GetBinary(const QString& section, const QString& entry) const override;
    void WriteString(const QString& section, const QString& entry, const QString& value) override;
    void WriteInt(const QString& section, const QString& entry, int value) override;
    void WriteBinary(const QString& section, const QString& entry, const QByteArray& value) override;

    bool Contains(const QString& section, const QString& entry) const;
    int WriteCount() const { return m_writes; }

private:
    QHash<QString, QVariant> m_values;
    int m_writes = 0;
};

} // namespace veilpane
