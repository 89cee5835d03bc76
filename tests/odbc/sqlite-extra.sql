-- SQLite only: a binary column, and texts longer than any fetch buffer.
CREATE TABLE blobs ("ROWNAMES" CHAR(8), "DATA" BLOB, "VALUE" DOUBLE PRECISION);
INSERT INTO blobs VALUES ('B1', x'00ff10', 4);
CREATE TABLE notes ("ROWNAMES" CHAR(8), "SHORT" VARCHAR(5), "BODY" TEXT, "VALUE" DOUBLE PRECISION);
INSERT INTO notes VALUES ('N1', 'abc', 'x', 1);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)
INSERT INTO notes SELECT 'N' || (i + 1), substr(printf('%.600c', 's'), 1, 300 + i), printf('%.*c', 5000 + i, 'b'), i FROM n;
