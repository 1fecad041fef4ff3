-- Master data (branches, registers, product groups) and one kiosk parameter
-- record per register. Plain SQL shared by every store: sizes are character
-- counts, texts are kept exactly as the client sent them (empty, not NULL).

CREATE TABLE filial (
  cdfilial VARCHAR(4) NOT NULL PRIMARY KEY,
  nmfilial VARCHAR(30) NOT NULL
);

CREATE TABLE caixa (
  cdfilial VARCHAR(4) NOT NULL REFERENCES filial (cdfilial),
  cdcaixa VARCHAR(3) NOT NULL,
  nmcaixa VARCHAR(30) NOT NULL,
  cdloja VARCHAR(20) NOT NULL,
  nmloja VARCHAR(50) NOT NULL,
  PRIMARY KEY (cdfilial, cdcaixa)
);

CREATE TABLE grupo_produto (
  cdgrupprod VARCHAR(10) NOT NULL PRIMARY KEY,
  nmgrupprod VARCHAR(40) NOT NULL,
  dtultatugppr TIMESTAMP NULL,
  idcadnvsubgr VARCHAR(1) NULL,
  idgrprodvmn VARCHAR(1) NULL
);

-- The group code is not a foreign key: statement types other than "3" keep
-- whatever code the client sent, and the group's name is joined on reading.
CREATE TABLE parametro_totem (
  cdfilial VARCHAR(4) NOT NULL,
  cdcaixa VARCHAR(3) NOT NULL,
  idsellojtot VARCHAR(1) NOT NULL DEFAULT '',
  idtipexttot VARCHAR(1) NOT NULL DEFAULT '',
  cdgrupprod VARCHAR(10) NOT NULL DEFAULT '',
  ideximsgsal VARCHAR(1) NOT NULL DEFAULT '',
  nrdiainitot VARCHAR(2) NOT NULL DEFAULT '',
  nrdiafintot VARCHAR(2) NOT NULL DEFAULT '',
  nrsegfectot VARCHAR(5) NOT NULL DEFAULT '',
  dsmsginitot VARCHAR(200) NOT NULL DEFAULT '',
  dsmsgaditot VARCHAR(200) NOT NULL DEFAULT '',
  idinfcliecai VARCHAR(20) NOT NULL DEFAULT '',
  dsmsgcontot VARCHAR(200) NOT NULL DEFAULT '',
  PRIMARY KEY (cdfilial, cdcaixa),
  FOREIGN KEY (cdfilial, cdcaixa) REFERENCES caixa (cdfilial, cdcaixa)
);
