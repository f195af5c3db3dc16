// Time-of-day strings ("hh:nn:ss", "25:00:00" = never), weekday names and the small text
// routines the programme code shares.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

// The time string that never matches the clock.
inline const QString kNever = QStringLiteral("25:00:00");

// Seconds of the day of "hh:nn:ss" (hours may exceed 23, as in "25:00:00"); 0 for anything
// malformed, so one bad value cannot stop a whole day's load.
int TimeToSeconds(const QString& time);
// True for exactly two digits, ":", two digits, ":", two digits.
bool IsTimeText(const QString& time);
// Seconds of the day of an entry's start or end as the dispatcher reads it: exactly
// "hh:nn:ss" with minutes and seconds below 60 (hours of 24 and more never come); nothing for
// anything else, which no part of the day may then read as a time ("9:00:00", "07:75:00").
std::optional<int> EntryTimeSeconds(const QString& time);
// Seconds of the day as "hh:nn:ss".
QString SecondsToTime(int seconds);
// Any number of seconds as the clock time it reaches, wrapped into one day ("hh:nn:ss"):
// 23:58:00 plus five minutes is 00:03:00.
QString WrapTime(int seconds);
// The n-th field (from 1) of text whose fields are separated by the delimiter or by line
// breaks; a line break at the very end adds no empty field; empty when there is no such field.
QString SplitField(const QString& text, QChar delimiter, int n);
// Seconds since midnight of a time of day written hours:minutes[:seconds] (one or two
// digits each, hours 0..23); nothing for anything else.
std::optional<int> TimeOfDaySeconds(const QString& time);
// The time plus (add) or minus n seconds, wrapping within the day. "00:00:00" stays
// "00:00:00" (it marks a text read to its end) and a time at or past 24:00:00 stays as it is
// (it means never).
QString AddSeconds(const QString& time, int n, bool add);
// The clock as compared with entry times.
QString ClockText(const QDateTime& now);
// A playing position: "m:ss", or "h:mm:ss" from one hour on.
QString FormatMs(qint64 milliseconds);
// A file's name without folder and without its last four characters (the extension).
QString ExtractSongName(const QString& path);
// The n-th piece (from 1) of text cut at the delimiter; empty when there is none.
QString GetDelimitedItem(const QString& text, QChar delimiter, int n);
// "Sunday" .. "Saturday", from a fixed table (never from the locale).
QString EnglishWeekday(const QDate& day);
// "星期日" .. "星期六".
QString ChineseWeekday(const QDate& day);
// The main window's date line: "yyyy年mm月dd日" and the Chinese weekday.
QString DateLabelText(const QDate& day);
// "yyyy-MM-dd".
QString DateText(const QDate& day);
