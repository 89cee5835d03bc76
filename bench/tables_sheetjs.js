// Reads every cell of the first sheet of each workbook with SheetJS and merges
// the rows by their first cell, as the keyed reader does: node tables_sheetjs.js FILE...
const XLSX = require("xlsx");

const table = new Map();
let cells = 0;
for (const path of process.argv.slice(2)) {
  // Dense sheets are SheetJS's faster mode for reading whole sheets.
  const book = XLSX.readFile(path, { dense: true });
  const sheet = book.Sheets[book.SheetNames[0]];
  const rows = XLSX.utils.sheet_to_json(sheet, { header: 1, raw: true, defval: null });
  const heading = rows[0];
  for (let r = 1; r < rows.length; r++) {
    const values = rows[r];
    cells += values.length;
    let entry = table.get(values[0]);
    if (!entry) table.set(values[0], (entry = {}));
    for (let c = 0; c < heading.length; c++) entry[heading[c]] = values[c];
  }
}
console.log("rows", table.size, "cells", cells);
