// Date and time pickers that take typing as the classic ones do: a click into the field
// selects the whole section under it (hours, minutes, ...), so the digits typed next replace
// that section and go on to the next one once it is full. A plain date-time edit only puts
// the caret inside the section, where a typed digit makes a number too long for it and is
// dropped, so the field looks read-only to anyone who clicks once and types.
#pragma once

class QDateTimeEdit;

namespace orvane {

void SelectSectionOnClick(QDateTimeEdit* picker);

}  // namespace orvane
