-- A save that copied another register's record names that register
-- ("0001/002"); NULL for a save made on the screen or by the importer.
ALTER TABLE parametro_totem_historico ADD COLUMN dsorigem VARCHAR(8) NULL;
