#include "decks/Workbook.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace decks {

bool Cell::sameValue(const Cell &o) const
{
    if (type != o.type)
        return false;
    switch (type) {
    case CellType::Blank:
        return true;
    case CellType::Text:
        return text == o.text;
    case CellType::Number:
    case CellType::Boolean:
    case CellType::Error:
        return number == o.number || (std::isnan(number) && std::isnan(o.number));
    }
    return false;
}

const Cell *Row::find(int column) const
{
    auto it = std::lower_bound(cells.begin(), cells.end(), column,
                               [](const CellEntry &e, int c) { return e.column < c; });
    return it != cells.end() && it->column == column ? &it->cell : nullptr;
}

const Row *Sheet::findRow(int row) const
{
    auto it = std::lower_bound(rows.begin(), rows.end(), row,
                               [](const Row &r, int i) { return r.index < i; });
    return it != rows.end() && it->index == row ? &*it : nullptr;
}

const Row *Sheet::findRow(int row, std::size_t &hint) const
{
    for (std::size_t i = hint; i < rows.size() && i <= hint + 1; ++i) {
        if (rows[i].index == row) {
            hint = i;
            return &rows[i];
        }
        if (rows[i].index > row)
            break;
    }
    auto it = std::lower_bound(rows.begin(), rows.end(), row,
                               [](const Row &r, int i) { return r.index < i; });
    hint = static_cast<std::size_t>(it - rows.begin());
    return it != rows.end() && it->index == row ? &*it : nullptr;
}

Row *Sheet::findRow(int row, std::size_t &hint)
{
    return const_cast<Row *>(std::as_const(*this).findRow(row, hint));
}

Cell *Row::find(int column)
{
    return const_cast<Cell *>(std::as_const(*this).find(column));
}

const Cell *Sheet::cell(int row, int column) const
{
    const Row *r = findRow(row);
    return r ? r->find(column) : nullptr;
}

void Sheet::setCell(int row, int column, const Cell &cell)
{
    if (row < 0 || row >= kMaxRows || column < 0 || column >= kMaxColumns)
        throw FormatError("cell position outside the sheet");
    // Readers give the cells in order: a new last row or last cell is the
    // common case.
    if (rows.empty() || rows.back().index < row) {
        Row &r = rows.emplace_back();
        r.index = row;
        r.cells.reserve(2);  // a card's question and answer
        r.cells.push_back(CellEntry{static_cast<std::uint16_t>(column), cell});
        return;
    }
    auto rit = rows.back().index == row ? rows.end() - 1
                                        : std::lower_bound(rows.begin(), rows.end(), row,
                                                           [](const Row &r, int i) { return r.index < i; });
    if (rit == rows.end() || rit->index != row) {
        Row r;
        r.index = row;
        rit = rows.insert(rit, std::move(r));
    }
    auto &cells = rit->cells;
    if (cells.empty() || cells.back().column < column) {
        cells.push_back(CellEntry{static_cast<std::uint16_t>(column), cell});
        return;
    }
    auto cit = std::lower_bound(cells.begin(), cells.end(), column,
                                [](const CellEntry &e, int c) { return e.column < c; });
    if (cit != cells.end() && cit->column == column)
        cit->cell = cell;
    else
        cells.insert(cit, CellEntry{static_cast<std::uint16_t>(column), cell});
}

int Workbook::sheetIndex(const QString &name) const
{
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (sheets[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

Sheet *Workbook::sheet(const QString &name)
{
    int i = sheetIndex(name);
    return i < 0 ? nullptr : &sheets[static_cast<std::size_t>(i)];
}

const Sheet *Workbook::sheet(const QString &name) const
{
    int i = sheetIndex(name);
    return i < 0 ? nullptr : &sheets[static_cast<std::size_t>(i)];
}

Workbook newWorkbook(const QString &sheetName)
{
    Workbook wb;
    Sheet s;
    s.name = sheetName;
    wb.sheets.push_back(std::move(s));
    return wb;
}

Workbook deckWorkbook(const QList<QPair<QVariant, QVariant>> &rows)
{
    Workbook wb = newWorkbook(QStringLiteral("Sheet1"));
    for (qsizetype row = 0; row < rows.size(); ++row) {
        int column = 0;
        for (const QVariant &v : {rows[row].first, rows[row].second}) {
            if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int)
                wb.sheets[0].setCell(static_cast<int>(row), column, Cell::fromNumber(v.toDouble()));
            else if (const QString text = v.toString(); !text.isNull())
                wb.sheets[0].setCell(static_cast<int>(row), column, Cell::fromText(text));
            ++column;
        }
    }
    return wb;
}

}  // namespace decks
