#pragma once

#include <QString>
#include <limits>

// A setting of every run: its key in hrv.ini, its default, and the range that
// stored values are clamped to and given values must lie in.
struct TRunSettingDef {
    const char* Key;
    int Default;
    int Min;
    int Max;

    QString KeyName() const { return QString::fromLatin1(Key); }
    int Clamp(int Value) const { return Value < Min ? Min : (Value > Max ? Max : Value); }
};

// Connections per host; the crawl fetches a few URLs per connection ahead of
// their turn, so 1 is one request at a time.
inline constexpr TRunSettingDef ConnectionsSetting { "Connections", 6, 1, 16 };
// Entries the URL list of one project run may hold at most.
inline constexpr TRunSettingDef MaxURLsSetting { "MaxURLs", 1000000, 1, std::numeric_limits<int>::max() };

// The values of the run settings, kept beside the projects.
struct TRunSettings {
    int Connections = ConnectionsSetting.Default;
    int MaxURLs = MaxURLsSetting.Default;
};

// Every run setting with the field that holds its value, in the order the
// configuration file lists them.
struct TRunSettingField {
    const TRunSettingDef& Def;
    int TRunSettings::*Value;
};
inline const TRunSettingField RunSettingFields[] = {
    { ConnectionsSetting, &TRunSettings::Connections },
    { MaxURLsSetting, &TRunSettings::MaxURLs },
};
