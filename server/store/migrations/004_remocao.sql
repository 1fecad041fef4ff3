-- A branch or a register an administrator removes is kept, marked with when
-- (UTC text) and by whom, until a purge deletes it: the screens, the kiosks
-- and the saves no longer see it, and it can be brought back. A register is
-- seen only while neither it nor its branch is marked. Every removal,
-- return and purge leaves a row in cadastro_historico (cdcaixa NULL: the
-- whole branch), which a purge keeps.
ALTER TABLE filial ADD COLUMN dtremocao VARCHAR(24) NULL;
ALTER TABLE filial ADD COLUMN nmremocao VARCHAR(64) NULL;
ALTER TABLE caixa ADD COLUMN dtremocao VARCHAR(24) NULL;
ALTER TABLE caixa ADD COLUMN nmremocao VARCHAR(64) NULL;

CREATE TABLE cadastro_historico (
  cdfilial VARCHAR(4) NOT NULL,
  cdcaixa VARCHAR(3) NULL,
  dsevento VARCHAR(16) NOT NULL,
  dtevento VARCHAR(24) NOT NULL,
  nmautor VARCHAR(64) NOT NULL
);
CREATE INDEX cadastro_historico_filial ON cadastro_historico (cdfilial, cdcaixa);
