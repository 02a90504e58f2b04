// A lenient date and time reader in the user's regional conventions, used
// by the export to recognise dates and times typed into cells.
#pragma once

#include <optional>
#include <string_view>

#include "xls/regional_settings.h"

namespace tessary {

// Reads a date, a time of day, or both ("1/2/2009", "12:30", "2.1.2009
// 8:15:30 PM", "Jan 2, 2009") and returns days since 1899-12-30 with the
// time of day as the fraction. The order of day, month and year follows
// the short date format; a date without a year takes currentYear (0: the
// year of the system clock). Two-digit years 0-29 mean 2000-2029, 30-99
// mean 1930-1999. Refuses everything else.
std::optional<double> ParseDateTime(std::u16string_view text, const TRegionalSettings& settings,
                                    int currentYear = 0);

// Days from 1899-12-30 to a calendar date (proleptic Gregorian).
int64_t DaysSince1899(int year, int month, int day);

}  // namespace tessary
