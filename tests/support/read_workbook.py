#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads a workbook with openpyxl and prints its first sheet as JSON, for the tests to check what
# a real reader makes of the files we write.
import json
import sys

import openpyxl
from openpyxl.utils import get_column_letter


def main(path):
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    cells = {}
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None and not cell.has_style:
                continue
            sides = [cell.border.left, cell.border.right, cell.border.top, cell.border.bottom]
            cells[cell.coordinate] = {
                "value": cell.value,
                "type": type(cell.value).__name__,
                "bold": bool(cell.font.b),
                "horizontal": cell.alignment.horizontal or "",
                "vertical": cell.alignment.vertical or "",
                "borders": [side.style or "" for side in sides],
            }
    widths = {}
    for column in range(1, sheet.max_column + 1):
        letter = get_column_letter(column)
        dimension = sheet.column_dimensions.get(letter)
        if dimension is not None and dimension.customWidth:
            widths[letter] = dimension.width
    print(json.dumps({
        "sheets": len(book.worksheets),
        "max_row": sheet.max_row,
        "max_column": sheet.max_column,
        "merged": sorted(str(r) for r in sheet.merged_cells.ranges),
        "widths": widths,
        "cells": cells,
    }))


if __name__ == "__main__":
    main(sys.argv[1])
