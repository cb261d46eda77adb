-- SYS_GRIDS: the saved states of search grids (typed search values, chosen records, query-builder
-- conditions and the builder's ordering), shared by every workstation of an application.
-- One row per state; the library reads and writes it but never creates it.
-- PostgreSQL version (psql -f sql/postgresql/sys_grids.sql).
CREATE TABLE IF NOT EXISTS SYS_GRIDS (
  GR_APP_NAM VARCHAR(60) NOT NULL,  -- the application key (ApplicationName)
  GR_GRD_NAM VARCHAR(60) NOT NULL,  -- the state group: form class, "_", grid name
  GR_GRD_CMT VARCHAR(60) NOT NULL,  -- the state's title
  GR_GRD_SRH TEXT,                  -- search list: FIELD=value lines ("^" cleared)
  GR_GRD_CHS TEXT,                  -- choice list: FIELD=display text lines
  GR_GRD_BLD TEXT,                  -- query-builder condition lines
  GR_GRD_ORD TEXT,                  -- the ordering the builder set
  -- One row per title: two workstations saving the same title at once leave one row (the
  -- library's save is an INSERT ... ON CONFLICT on this key).
  CONSTRAINT SYS_GRIDS_KEY PRIMARY KEY (GR_APP_NAM, GR_GRD_NAM, GR_GRD_CMT)
);
