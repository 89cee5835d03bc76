-- PostgreSQL only: a schema of its own, a column type the source cannot
-- bind, and texts longer than any fetch buffer.
CREATE SCHEMA owner;
CREATE TABLE owner.units ("ROWNAMES" CHAR(8), "CAPACITY" DOUBLE PRECISION);
INSERT INTO owner.units VALUES ('O1', 99);
CREATE TABLE ids ("ROWNAMES" CHAR(8), "ID" uuid, "VALUE" DOUBLE PRECISION);
INSERT INTO ids VALUES ('U1', '6f1d7b3c-0000-4000-8000-000000000001', 1);
CREATE TABLE blobs ("ROWNAMES" CHAR(8), "DATA" BYTEA, "VALUE" DOUBLE PRECISION);
INSERT INTO blobs VALUES ('B1', '\x00ff10', 4);
CREATE TABLE notes ("ROWNAMES" CHAR(8), "SHORT" VARCHAR, "BODY" TEXT, "VALUE" DOUBLE PRECISION);
INSERT INTO notes VALUES ('N1', 'abc', 'x', 1);
INSERT INTO notes SELECT 'N' || (i + 1), repeat('s', 1100 + i), repeat('b', 9000 + i), i FROM generate_series(1, 300) AS i;
