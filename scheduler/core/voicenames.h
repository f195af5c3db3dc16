// How voices are shown to the operator (a language and gender prefix for the voices known by
// name) and which one a new text entry or the speech studio starts with.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "platform/speech/voicecatalog.h"

// The display text of a voice description (compared trimmed); unknown voices show as they are.
QString VoiceDisplayName(const QString& description);
// The display texts of the voices, in order.
QStringList VoiceDisplayNames(const QList<orvane::VoiceInfo>& voices);
// The voice to start with: the first display text found of "(中文男声)VW Liang",
// "(中文女声)VW Hui", "(中文女声)VW Lily", "(中文女声)ScanSoft Mei-Ling", "(粤语女声)ScanSoft Sin-Ji",
// "Microsoft Simplified Chinese"; then the Mandarin voice cmn-latn-pinyin; else the first
// voice. -1 when there is no voice.
int PreferredVoiceIndex(const QList<orvane::VoiceInfo>& voices);
