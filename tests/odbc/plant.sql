-- The tables of the ODBC tests, read the same through every driver. Column
-- names are quoted so that they keep their case in every database.
CREATE TABLE units ("ROWNAMES" CHAR(8), "CAPACITY" DOUBLE PRECISION, "COUNTS" INTEGER, "NAME" VARCHAR(20),
                    "STARTDATE" DATE, "STAMP" TIMESTAMP, "SHIFT" TIME, "SMALL" SMALLINT, "RATIO" REAL);
INSERT INTO units VALUES ('A1', 10.5, 3, 'crude unit', '2024-02-29', '2024-03-01 12:30:00', '07:05:09', 2, 0.25);
INSERT INTO units VALUES ('A2', 20.25, 4, 'vacuum unit', '2023-12-31', '2023-12-31 23:59:59', '23:00:00', -3, 1.5);
INSERT INTO units VALUES ('AB2', 7, 3, NULL, NULL, NULL, NULL, NULL, NULL);
INSERT INTO units VALUES ('B1', -1.75, NULL, 'reformer', '2024-01-15', '2024-01-15 00:00:00', '00:00:01', 0, -2);
INSERT INTO units VALUES ('C2', 0, 5, 'cracker', '2024-01-15', '2024-01-15 06:00:00', '06:00:00', 7, 3);

-- DATETIMEID is kept as text; the source reads it as a timestamp.
CREATE TABLE events ("ROWNAMES" CHAR(8), "DATETIMEID" VARCHAR(19), "VOLUME" DOUBLE PRECISION);
INSERT INTO events VALUES ('E1', '2024-05-06 07:08:09', 1.5);
INSERT INTO events VALUES ('E2', '2024-05-07 00:00:00', 2.5);

CREATE TABLE counters ("ROWNAMES" CHAR(8), "BIG" BIGINT, "VALUE" DOUBLE PRECISION);
INSERT INTO counters VALUES ('K1', 5000000000, 1);

-- Model-table merge rules through the table export.
CREATE TABLE "QBML" ("ROWNAMES" CHAR(8), "VALUE" DOUBLE PRECISION);
INSERT INTO "QBML" VALUES ('Q1', 1);
INSERT INTO "QBML" VALUES ('Q1', 1);
CREATE TABLE repeats ("ROWNAMES" CHAR(8), "VALUE" DOUBLE PRECISION, "OTHER" DOUBLE PRECISION);
INSERT INTO repeats VALUES ('R1', 1, NULL);
INSERT INTO repeats VALUES ('R1', 1.0000001, 2);
INSERT INTO repeats VALUES ('R2', 5, NULL);
CREATE TABLE conflicts ("ROWNAMES" CHAR(8), "VALUE" DOUBLE PRECISION);
INSERT INTO conflicts VALUES ('R1', 1);
INSERT INTO conflicts VALUES ('R1', 2);
