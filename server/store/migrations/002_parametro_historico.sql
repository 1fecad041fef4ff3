-- The history of the kiosk parameter records: one row per accepted save,
-- written in the save's own transaction, so the history holds exactly the
-- saves that were committed. A row tells when (UTC text), which token (its
-- name, '' when the server requires none) and which client address saved,
-- and every value before ("_antes") and after ("_depois"). The "_antes"
-- columns are all NULL on a register's first save, when it had no record.
-- nrgravacao counts the saves of one register from 1.

CREATE TABLE parametro_totem_historico (
  cdfilial VARCHAR(4) NOT NULL,
  cdcaixa VARCHAR(3) NOT NULL,
  nrgravacao INTEGER NOT NULL,
  dtgravacao VARCHAR(24) NOT NULL,
  nmtoken VARCHAR(64) NOT NULL,
  dscliente VARCHAR(64) NOT NULL,
  idsellojtot_antes VARCHAR(1) NULL,
  idtipexttot_antes VARCHAR(1) NULL,
  cdgrupprod_antes VARCHAR(10) NULL,
  ideximsgsal_antes VARCHAR(1) NULL,
  nrdiainitot_antes VARCHAR(2) NULL,
  nrdiafintot_antes VARCHAR(2) NULL,
  nrsegfectot_antes VARCHAR(5) NULL,
  dsmsginitot_antes VARCHAR(200) NULL,
  dsmsgaditot_antes VARCHAR(200) NULL,
  idinfcliecai_antes VARCHAR(20) NULL,
  dsmsgcontot_antes VARCHAR(200) NULL,
  idsellojtot_depois VARCHAR(1) NOT NULL,
  idtipexttot_depois VARCHAR(1) NOT NULL,
  cdgrupprod_depois VARCHAR(10) NOT NULL,
  ideximsgsal_depois VARCHAR(1) NOT NULL,
  nrdiainitot_depois VARCHAR(2) NOT NULL,
  nrdiafintot_depois VARCHAR(2) NOT NULL,
  nrsegfectot_depois VARCHAR(5) NOT NULL,
  dsmsginitot_depois VARCHAR(200) NOT NULL,
  dsmsgaditot_depois VARCHAR(200) NOT NULL,
  idinfcliecai_depois VARCHAR(20) NOT NULL,
  dsmsgcontot_depois VARCHAR(200) NOT NULL,
  PRIMARY KEY (cdfilial, cdcaixa, nrgravacao),
  FOREIGN KEY (cdfilial, cdcaixa) REFERENCES caixa (cdfilial, cdcaixa)
);
