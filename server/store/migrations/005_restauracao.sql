-- Every restore of an SQLite backup ("totem-server restore"), written into
-- the restored database itself, so that its history says where it came
-- from: when (UTC text), who ("restore:PERSON"), which backup file, and
-- where the database it replaced was kept ('' when there was none).
-- nrrestauracao counts the restores from 1.

CREATE TABLE restauracao (
  nrrestauracao INTEGER NOT NULL PRIMARY KEY,
  dtrestauracao VARCHAR(24) NOT NULL,
  nmautor VARCHAR(64) NOT NULL,
  dsarquivo VARCHAR(4096) NOT NULL,
  dssubstituido VARCHAR(4096) NOT NULL
);
