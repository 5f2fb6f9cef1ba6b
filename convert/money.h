#pragma once

// Amounts in digits as people and spreadsheets write money, made plain for the number grammar.

#include "runtime/text.h"

namespace tessaly::convert {

// Writes into `out` the plain form of an amount written with a currency sign or as a
// spreadsheet shows money: ￥41,823.51, -￥8.00, ￥-8.00, ¥1,680.32, RMB 1,680.32, CNY 5,
// 1,680.32元, and accounting brackets for a negative, (8.00) and ￥(8.00); full-width digits,
// point, comma and sign as ASCII. Returns false, leaving `out` alone, for any other text: a
// text that is plain already, or one the number grammar is to refuse as it stands (two signs,
// a sign inside the number, text after it).
bool plainAmount(runtime::TextView amount, runtime::Text& out);

}  // namespace tessaly::convert
