-- Putting registers back. Every copy is numbered, and each history row it
-- wrote carries its number (idcopia; copies are numbered from 1 by the
-- highest number in the history, taken in turns). A save that put a
-- register back names what it undid: the save whose values it restored
-- (nrrestaurada) or the copy it took back (iddesfeita). A save that left
-- the register without a record, as it was before its first save, is
-- marked idsemparametro = 'S'; its "_depois" values are then empty.
ALTER TABLE parametro_totem_historico ADD COLUMN idcopia INTEGER NULL;
ALTER TABLE parametro_totem_historico ADD COLUMN nrrestaurada INTEGER NULL;
ALTER TABLE parametro_totem_historico ADD COLUMN iddesfeita INTEGER NULL;
ALTER TABLE parametro_totem_historico ADD COLUMN idsemparametro VARCHAR(1) NULL;
CREATE INDEX parametro_totem_historico_copia ON parametro_totem_historico (idcopia);
