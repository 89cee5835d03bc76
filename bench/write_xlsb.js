// Writes a workbook again as .xlsb (no Debian tool writes the format): node write_xlsb.js IN OUT
const XLSX = require("xlsx");
XLSX.writeFile(XLSX.readFile(process.argv[2]), process.argv[3], { bookType: "xlsb" });
